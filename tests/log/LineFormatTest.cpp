#include "RecordingDestination.h"
#include "log/BaseDestination.h"
#include "log/DateFormatter.h"
#include "log/Utf8Text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ctime>
#include <string>

namespace tallylog {
namespace {

using Level = Tallylog::Level;

Tallylog::Context context(nlohmann::json value) {
  return std::make_shared<const nlohmann::json>(std::move(value));
}

TEST(LineFormat, TokensWidthsAndLiteralText) {
  struct Case {
    std::string format, message, file;
    Tallylog::Context context;
    std::string expected;
  };
  const std::string path = "/src/net/Socket.test.cpp";
  // clang-format off
  const Case cases[] = {
      {"$-8L|", "m", path, {}, "INFO    |"},
      {"$8L|", "m", path, {}, "    INFO|"},
      {"$2L", "m", path, {}, "INFO"},
      {"$-L", "m", path, {}, "-L"},
      {"$Q", "m", path, {}, "Q"},
      {"a$$b", "m", path, {}, "ab"},
      {"no tokens at all \t ", "m", path, {}, "no tokens at all"},
      {"$M!", "costs $M and $l", path, {}, "costs $M and $l!"},
      {"$N|$n", "m", path, {}, "Socket|Socket.test.cpp"},
      {"$N|$n", "m", "Plain", {}, "Plain|Plain"},
      {"[$N|$n]", "m", "", {}, "[|]"},
      {"$T/$F", "m", path, {}, "OSCServer Delegate 9999/connect()"},
      {"$5l|$-4M|", "\xC3\xA9", path, {}, "   42|\xC3\xA9   |"},
      {"$3M|", "\u2764\uFE0F", path, {}, "  \u2764\uFE0F|"},
      {"$-4M|", "\U0001F1E9\U0001F1EA\u0915\u093F", path, {}, "\U0001F1E9\U0001F1EA\u0915\u093F  |"},
      {"$99999999999999999999L", "m", path, {}, "99999999999999999999L"},
      {"$M $X", "m", path, {}, "m"},
      {"[$X]", "m", path, context(" \n spaced out\n "), "[spaced out]"},
      {"[$X]", "m", path, context({{"user", "ann"}}), R"([{"user":"ann"}])"},
      {"$M", "trailing\xC2\xA0\t\n", path, {}, "trailing"},
      {"$Mtext", "m", path, {}, "mtext"},
  };
  // clang-format on
  BaseDestination destination;
  for (const Case& c : cases) {
    EXPECT_EQ(destination.formatMessage(c.format, Level::info, c.message, "OSCServer Delegate 9999",
                                        c.file, "connect()", 42, c.context),
              c.expected)
        << c.format;
  }
}

TEST(LineFormat, DefaultFormat) {
  BaseDestination base;
  EXPECT_EQ(testing::afterTimeOfDay(base.formatMessage(base.format, Level::info, "hello", "",
                                                       "/a/Socket.cpp", "connect()", 7, {})),
            " INFO Socket.connect():7 - hello");
  EXPECT_EQ(base.formatMessage("$U", Level::info, "m", "", "f", "g()", 1, {}).substr(0, 9),
            "00:00:00.") << "uptime starts at zero";
}

TEST(LineFormat, UtcTokenSwitchesLaterLocalDatesToUtc) {
  ::setenv("TZ", "ABC-5", 1);
  ::tzset();
  BaseDestination destination;
  // Each expectation allows the hour to turn over during the call.
  const auto expectHour = [&](const std::string& format, bool utc) {
    const auto hourNow = [utc] {
      const std::time_t now = std::time(nullptr);
      std::tm fields{};
      utc ? gmtime_r(&now, &fields) : localtime_r(&now, &fields);
      return std::to_string(fields.tm_hour / 10) + std::to_string(fields.tm_hour % 10);
    };
    const std::string before = hourNow();
    const auto text = destination.formatMessage(format, Level::info, "m", "", "f", "g()", 1, {});
    EXPECT_TRUE(text == before || text == hourNow()) << format << " gave " << text;
  };
  expectHour("$DHH", false);
  expectHour("$ZHH$z", true);
  expectHour("$DHH", true);
  ::unsetenv("TZ");
  ::tzset();
}

TEST(LineFormat, DatePatterns) {
  // 2024-03-05 19:08:09.123456 UTC, a Tuesday.
  const auto moment = std::chrono::system_clock::time_point(std::chrono::microseconds(1709665689123456));
  DateFormatter formatter;
  formatter.setTimeZone("UTC");
  const std::pair<const char*, const char*> cases[] = {
      {"yyyy-MM-dd'T'HH:mm:ss.SSSZZZZZ", "2024-03-05T19:08:09.123Z"},
      {"EEE, d MMM yy h:mm a", "Tue, 5 Mar 24 7:08 PM"},
      {"EEEE MMMM D S SSSSSS Z", "Tuesday March 65 1 123456 +0000"},
      {"h 'o''clock' '' z", "7 o'clock ' GMT"},
  };
  for (const auto& [pattern, expected] : cases) EXPECT_EQ(formatter.format(pattern, moment), expected);
}

TEST(LineFormat, JsonLines) {
  BaseDestination destination;
  destination.format = "$J";
  auto plain =
      nlohmann::json::parse(*destination.send(Level::warning, "m", "t", "/a/F.cpp", "g()", 3, {}));
  EXPECT_TRUE(plain["timestamp"].is_number_float());
  plain.erase("timestamp");
  EXPECT_EQ(plain, nlohmann::json({{"level", 3}, {"message", "m"}, {"thread", "t"},
                                   {"file", "/a/F.cpp"}, {"function", "g()"}, {"line", 3}}));

  const std::string invalid =
      *destination.send(Level::fault, "bad \xFF\nbyte", "", "f", "g()", 1, context({{"k", 1}}));
  const auto repaired = nlohmann::json::parse(invalid);
  EXPECT_EQ(repaired["message"], "bad \uFFFD\nbyte");
  EXPECT_EQ(repaired["context"], nlohmann::json({{"k", 1}}));
  EXPECT_EQ(invalid.find('\n'), std::string::npos);
}

TEST(Utf8Text, TrimmingAndJson) {
  EXPECT_EQ(trimTrailingSpace("a b \t\n\u00A0\u3000"), "a b");
  EXPECT_EQ(trimTrailingSpace("a\v"), "a\v") << "the regular expression's \\s leaves vertical tab";
  EXPECT_EQ(trimWhitespaceAndNewlines("\v\u0085 a b \n"), "a b");
  EXPECT_EQ(jsonQuoted("a\"b\\c/\n\x01\xFF"), "\"a\\\"b\\\\c/\\n\\u0001\uFFFD\"");
}

}  // namespace
}  // namespace tallylog
