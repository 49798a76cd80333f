#include "RecordingDestination.h"
#include "log/BaseDestination.h"
#include "log/ConsoleDestination.h"
#include "log/DateFormatter.h"
#include "log/FilterValidator.h"
#include "log/SerialQueue.h"
#include "log/Tallylog.h"
#include "log/Utf8Text.h"
#include "platform/ThreadLabel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ctime>
#include <future>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace tallylog {
namespace {

using Level = Tallylog::Level;
using testing::afterTimeOfDay;
using testing::RecordingDestination;

class TallylogTest : public ::testing::Test {
 protected:
  void SetUp() override { Tallylog::removeAllDestinations(); }
  void TearDown() override { Tallylog::removeAllDestinations(); }
};

TEST_F(TallylogTest, DestinationSet) {
  const auto console = std::make_shared<ConsoleDestination>();
  EXPECT_TRUE(Tallylog::addDestination(console));
  EXPECT_FALSE(Tallylog::addDestination(console));
  EXPECT_TRUE(Tallylog::addDestination(std::make_shared<ConsoleDestination>()));
  EXPECT_FALSE(Tallylog::removeDestination(std::make_shared<ConsoleDestination>()));
  EXPECT_EQ(Tallylog::countDestinations(), 2);
  EXPECT_TRUE(Tallylog::removeDestination(console));
  EXPECT_FALSE(Tallylog::removeDestination(console));
  Tallylog::removeAllDestinations();
  EXPECT_EQ(Tallylog::countDestinations(), 0);
  EXPECT_TRUE(Tallylog::flush(0));

  // A destination that the set lets go is destroyed outside the set's lock.
  struct ReadsTheSetWhenDestroyed : RecordingDestination {
    ~ReadsTheSetWhenDestroyed() override { EXPECT_EQ(Tallylog::countDestinations(), 0); }
  };
  Tallylog::addDestination(std::make_shared<ReadsTheSetWhenDestroyed>());
  Tallylog::removeAllDestinations();
}

TEST_F(TallylogTest, MessageIsProducedOnlyWhenNeeded) {
  int produced = 0;
  const auto message = [&] {
    ++produced;
    return "text";
  };
  Tallylog::info(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 0) << "no destination";

  const auto infoOnly = std::make_shared<RecordingDestination>();
  infoOnly->minLevel = Level::info;
  Tallylog::addDestination(infoOnly);
  Tallylog::verbose(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 0) << "filtered out by level";

  const auto second = std::make_shared<RecordingDestination>();
  Tallylog::addDestination(second);
  Tallylog::info(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 2) << "once per destination without a message filter";

  ASSERT_TRUE(Tallylog::flush(10));
  EXPECT_EQ(infoOnly->calls().size(), 1u);
  EXPECT_EQ(second->calls().size(), 1u);

  Tallylog::removeDestination(infoOnly);
  const auto third = std::make_shared<RecordingDestination>();
  Tallylog::addDestination(third);
  second->addFilter(Filters::Message::contains({"text"}));
  third->addFilter(Filters::Message::contains({"other"}, false, true));
  Tallylog::info(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 3) << "once before the first filter test, then shared";
  ASSERT_TRUE(Tallylog::flush(10));
  EXPECT_EQ(second->calls().size(), 2u);
  EXPECT_EQ(third->calls().size(), 0u);
}

TEST_F(TallylogTest, FunctionNamesAreShortened) {
  const std::pair<const char*, const char*> cases[] = {{"connect(to:endpoint:)", "connect()"},
      {"description", "description()"}, {"init()", "init()"}, {"a(b(c))", "a()"}, {"", "()"}};
  for (const auto& [given, shown] : cases) EXPECT_EQ(Tallylog::shortenedFunctionName(given), shown);

  const auto recorder = std::make_shared<RecordingDestination>();
  recorder->setAsynchronously(false);
  Tallylog::addDestination(recorder);
  const auto expectedLine = __LINE__ + 1;
  TALLYLOG_WARNING(std::string("count ") + std::to_string(3));
  ASSERT_EQ(recorder->calls().size(), 1u);
  const auto call = recorder->calls().front();
  EXPECT_EQ(std::tie(call.message, call.function, call.file, call.line, call.level),
            std::make_tuple("count 3", "TestBody()", __FILE__, expectedLine, Level::warning));

  recorder->format = "$M $X";
  TALLYLOG_ERROR("with context",
                 std::make_shared<const nlohmann::json>(nlohmann::json{{"user", "ann"}}));
  EXPECT_EQ(recorder->calls().back().text, R"(with context {"user":"ann"})");
}

TEST_F(TallylogTest, ThreadNamesAndQueueLabels) {
  const auto asynchronous = std::make_shared<RecordingDestination>();
  const auto recorder = std::make_shared<RecordingDestination>();
  recorder->setAsynchronously(false);
  Tallylog::addDestination(asynchronous);
  Tallylog::addDestination(recorder);
  TALLYLOG_INFO("main");
  std::thread([] {
    TALLYLOG_INFO("unlabelled");
    platform::ScopedThreadLabel label("OSCServer Delegate 9999");
    TALLYLOG_INFO("labelled");
    platform::setThreadLabel("bad \xFF");
    TALLYLOG_INFO("invalid label");
  }).join();
  ASSERT_TRUE(Tallylog::flush(10));
  const auto calls = recorder->calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].thread + calls[1].thread + "|" + calls[2].thread, "|OSCServer Delegate 9999");
  EXPECT_TRUE(calls[3].thread.starts_with("<Thread: ")) << calls[3].thread;
  // Each destination runs on its own labelled queue.
  EXPECT_EQ(asynchronous->calls().at(0).queueLabel, asynchronous->queue().label());
  EXPECT_EQ(calls[0].queueLabel, recorder->queue().label());
  EXPECT_NE(asynchronous->queue().label(), recorder->queue().label());
  EXPECT_THAT(recorder->queue().label(), ::testing::MatchesRegex("tallylog-queue-[-0-9A-F]{36}"));
}

TEST_F(TallylogTest, CallsFromManyThreadsStayInOrderPerThread) {
  const auto asynchronous = std::make_shared<RecordingDestination>();
  const auto synchronous = std::make_shared<RecordingDestination>();
  synchronous->setAsynchronously(false);
  const auto console = std::make_shared<ConsoleDestination>();
  console->format = "$T|$M";
  Tallylog::addDestination(asynchronous);
  Tallylog::addDestination(synchronous);
  Tallylog::addDestination(console);
  ::testing::internal::CaptureStdout();
  constexpr int threads = 8;
  constexpr int callsPerThread = 200;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([t] {
      platform::ScopedThreadLabel label("worker " + std::to_string(t));
      for (int i = 0; i < callsPerThread; ++i) TALLYLOG_INFO(std::to_string(i));
    });
  }
  for (auto& worker : workers) worker.join();
  ASSERT_TRUE(Tallylog::flush(30));
  std::istringstream printed(::testing::internal::GetCapturedStdout());
  std::map<std::string, int> nextPrinted;
  int printedLines = 0;
  for (std::string line; std::getline(printed, line); ++printedLines) {
    const auto bar = line.find('|');
    ASSERT_NE(bar, std::string::npos) << line;
    EXPECT_EQ(line.substr(bar + 1), std::to_string(nextPrinted[line.substr(0, bar)]++)) << line;
  }
  EXPECT_EQ(printedLines, threads * callsPerThread);
  for (const auto& destination : {asynchronous, synchronous}) {
    std::map<std::string, int> next;
    const auto calls = destination->calls();
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(threads * callsPerThread));
    for (const auto& call : calls) {
      EXPECT_EQ(call.message, std::to_string(next[call.thread]++)) << call.thread;
      EXPECT_TRUE(call.text.ends_with(" - " + call.message)) << call.text;
    }
  }
}

TEST_F(TallylogTest, ApplicationConsoleLine) {
  const auto console = std::make_shared<ConsoleDestination>();
  console->minLevel = Level::info;
  console->format = "$DHH:mm:ss.SSS$d $C$L$c $N.$F:$l - $M $X";
  Tallylog::addDestination(console);
  ::testing::internal::CaptureStdout();
  Tallylog::verbose("hidden", "/src/net/Socket.cpp", "connect(to:endpoint:)", 12);
  Tallylog::info("Connected", "/src/net/Socket.cpp", "connect(to:endpoint:)", 12);
  Tallylog::error("m", "/a/Socket.cpp", "connect()", 7, std::make_shared<const nlohmann::json>(42));
  ASSERT_TRUE(Tallylog::flush(10));
  std::istringstream out(::testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(out, line);) lines.push_back(afterTimeOfDay(line));
  EXPECT_EQ(lines, (std::vector<std::string>{" \U0001F499 INFO Socket.connect():12 - Connected",
                                             " \u2764\uFE0F ERROR Socket.connect():7 - m 42"}));
}

TEST(SerialQueue, AsyncAndSyncWorkRunInSubmissionOrder) {
  std::vector<int> order;  // only touched by work of the queue
  std::promise<void> release;
  auto released = release.get_future().share();
  {
    SerialQueue queue("test-queue");
    queue.async([&, released] {
      released.wait();
      order.push_back(1);
    });
    queue.async([&] { order.push_back(2); });
    std::thread syncCaller([&] {
      const std::string label = queue.sync([&] {
        order.push_back(3);
        return platform::threadLabel();
      });
      EXPECT_EQ(label, "test-queue");
    });
    release.set_value();
    syncCaller.join();
    queue.async([&] { order.push_back(4); });
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(SerialQueue, NestedSyncRunsAtOnceAndFailuresPassOn) {
  BaseDestination destination;
  std::promise<bool> nested;
  destination.perform(false, [&] {
    destination.perform(true, [&] { nested.set_value(destination.queue().isCurrent()); });
  });
  EXPECT_TRUE(nested.get_future().get());
  EXPECT_THROW(destination.performAndWait([]() -> int { throw std::runtime_error("failed"); }),
               std::runtime_error);
  EXPECT_EQ(destination.performAndWait([] { return 7; }), 7);
  EXPECT_FALSE(destination.queue().isCurrent());
}

TEST(SerialQueue, LastOwnerLettingGoOnTheQueueThreadDetaches) {
  auto queue = std::make_shared<SerialQueue>("self");
  std::promise<void> done;
  auto finished = done.get_future();
  SerialQueue* raw = queue.get();
  raw->async([owned = std::move(queue), &done]() mutable {
    owned.reset();
    done.set_value();
  });
  EXPECT_EQ(finished.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

Tallylog::Context jsonContext(nlohmann::json value) {
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
      {"[$X]", "m", path, jsonContext(" \n spaced out\n "), "[spaced out]"},
      {"[$X]", "m", path, jsonContext({{"user", "ann"}}), R"([{"user":"ann"}])"},
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
  EXPECT_EQ(afterTimeOfDay(base.formatMessage(base.format, Level::info, "hello", "",
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

TEST(LineFormat, DateZonesByAbbreviation) {
  ::setenv("TZ", "ABC-5", 1);
  ::tzset();
  BaseDestination destination;
  // An empty abbreviation keeps the zone; an unknown one selects the system's zone of that moment.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"ABC-5", "", "+05:00"}, {"ABC-5", "JST", "+09:00"}, {"XYZ+3", "", "+09:00"},
      {"XYZ+3", "HST", "-10:00"}, {"XYZ+3", "NOPE", "-03:00"}, {"XYZ+3", "UTC", "+00:00"},
      {"XYZ+3", "", "+00:00"},
  };
  for (const auto& [system, zone, offset] : cases) {
    ::setenv("TZ", system, 1);
    ::tzset();
    EXPECT_EQ(destination.formattedDate("xxx", zone), offset) << zone;
  }
  ::unsetenv("TZ");
  ::tzset();
}

TEST(LineFormat, DatesInTheDestinationsCalendar) {
  const char* const userLocale = std::getenv("LC_ALL");
  const std::string saved = userLocale ? userLocale : "";
  ::setenv("LC_ALL", "th_TH.UTF-8", 1);
  BaseDestination destination;
  userLocale ? ::setenv("LC_ALL", saved.c_str(), 1) : ::unsetenv("LC_ALL");
  EXPECT_EQ(destination.calendar, platform::Calendar("buddhist")) << "the user's at construction";
  for (const auto& [calendar, offset] : {std::pair("gregorian", 0), std::pair("buddhist", 543)}) {
    destination.calendar = platform::Calendar(calendar);
    // The year is read before and after, in case it turns over during the call.
    const auto year = [offset] {
      const std::time_t now = std::time(nullptr);
      std::tm fields{};
      localtime_r(&now, &fields);
      return std::to_string(fields.tm_year + 1900 + offset) + " INFO";
    };
    const std::string before = year();
    const auto text = destination.formatMessage("$Dyyyy$d $L", Level::info, "m", "", "f", "g()", 1, {});
    EXPECT_TRUE(text == before || text == year()) << calendar << " gave " << text;
  }
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
      *destination.send(Level::fault, "bad \xFF\nbyte", "", "f", "g()", 1, jsonContext({{"k", 1}}));
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

using Filterlist = std::vector<std::shared_ptr<FilterType>>;

TEST(Filters, DecisionTable) {
  struct Case {
    const char* name;
    Filterlist filters;
    Level destinationMin, level;
    std::string path, function;
    std::optional<std::string> message;
    bool passes;
  };
  const auto secret = Filters::Message::excludes({"secret"}, false, false, Level::verbose);
  const auto both = Filters::Message::excludes({"alpha", "beta"}, true, false, Level::verbose);
  const auto highExclusion = Filters::Path::excludes({"nowhere"}, true, true, Level::error);
  const auto excludeAll = Filters::Path::excludes({}, true, false, Level::verbose);
  const auto requiredNet = Filters::Path::contains({"/net/"}, true, true, Level::verbose);
  const auto requiredSocket =
      Filters::Function::startsWith({"connect"}, true, true, Level::verbose);
  const auto anyFunction = Filters::Function::contains({"n"}, true, false, Level::verbose);
  const auto errorsFromOsc = Filters::Path::contains({"/osc/"}, true, false, Level::error);
  const auto messageHello = Filters::Message::contains({"hello"}, true, false, Level::verbose);
  const auto functionSend = Filters::Function::contains({"send"}, true, false, Level::verbose);
  // clang-format off
  const Case cases[] = {
      {"exclusion word any case", {secret}, Level::verbose, Level::debug, "/a.cpp", "f()", "A SECRET plan", false},
      {"exclusion word absent", {secret}, Level::verbose, Level::debug, "/a.cpp", "f()", "plain", true},
      {"exclusion needs both strings", {both}, Level::verbose, Level::info, "/a.cpp", "f()", "alpha and beta", false},
      {"exclusion lacks one string", {both}, Level::verbose, Level::info, "/a.cpp", "f()", "alpha only", true},
      {"exclusion above call level", {highExclusion}, Level::verbose, Level::warning, "/a.cpp", "f()", {}, false},
      {"exclusion with empty list", {excludeAll}, Level::verbose, Level::fault, "/a.cpp", "f()", {}, false},
      {"required fails despite other match", {requiredNet, anyFunction}, Level::verbose, Level::info, "/osc/a.cpp", "run()", {}, false},
      {"two required both match", {requiredNet, requiredSocket}, Level::fault, Level::verbose, "/net/Socket.cpp", "connect(to:)", {}, true},
      {"two required one fails", {requiredNet, requiredSocket}, Level::verbose, Level::info, "/net/Socket.cpp", "close()", {}, false},
      {"path filter above call level", {errorsFromOsc}, Level::verbose, Level::warning, "/osc/Server.cpp", "f()", {}, false},
      {"path filter other path", {errorsFromOsc}, Level::verbose, Level::warning, "/net/Socket.cpp", "f()", {}, true},
      {"path filter other path below minimum", {errorsFromOsc}, Level::error, Level::warning, "/net/Socket.cpp", "f()", {}, false},
      {"path filter full match", {errorsFromOsc}, Level::fault, Level::error, "/osc/Server.cpp", "f()", {}, true},
      {"message filter without message", {messageHello}, Level::fault, Level::info, "/a.cpp", "f()", {}, false},
      {"message filter with message", {messageHello}, Level::fault, Level::info, "/a.cpp", "f()", "hello", true},
      {"function filter over minimum", {functionSend}, Level::error, Level::verbose, "/a.cpp", "send(_:)", {}, true},
      {"exclusion passes, then required", {secret, requiredNet}, Level::verbose, Level::info, "/net/a.cpp", "f()", "ok", true},
  };
  // clang-format on
  for (const Case& c : cases) {
    BaseDestination destination;
    destination.filters = c.filters;
    destination.minLevel = c.destinationMin;
    const auto message = c.message ? std::optional<std::string_view>(*c.message) : std::nullopt;
    EXPECT_EQ(destination.passesLevelAndFilters(c.level, c.path, c.function, message), c.passes)
        << c.name;
  }
}

TEST(Filters, Comparisons) {
  // clang-format off
  const std::tuple<FilterComparison, std::string, bool> cases[] = {
      {FilterComparison::Equals({"Socket"}, false), "SOCKET", true},
      {FilterComparison::Equals({"Socket"}, true), "SOCKET", false},
      {FilterComparison::StartsWith({"x", "/net"}, true), "/net/Socket.cpp", true},
      {FilterComparison::EndsWith({".CPP"}, false), "/net/Socket.cpp", true},
      {FilterComparison::Contains({"ÄRGER"}, false), "viel ärger hier", true},
      {FilterComparison::Contains({"\u0490\u0389\u1EA0\u0531\uFF21"}, false), "x \u0491\u03AE\u1EA1\u0561\uFF41", true},
      {FilterComparison::Contains({}, false), "anything", false},
      {FilterComparison::Excludes({"a"}, true), "bcd", true},
  };
  // clang-format on
  for (const auto& [comparison, value, matches] : cases)
    EXPECT_EQ(comparison.matches(value), matches) << value;

  std::vector<std::string> seen;
  const auto custom = Filters::Path::custom(false, Level::verbose, [&](std::string_view value) {
    seen.emplace_back(value);
    return true;
  });
  EXPECT_TRUE(custom->matches("/a/b.cpp"));
  EXPECT_FALSE(custom->matches(std::nullopt));
  EXPECT_EQ(seen, std::vector<std::string>{"/a/b.cpp"});
}

TEST(Filters, ValidatorGroupsAndCounts) {
  const Filterlist filters = {
      Filters::Path::contains({"/net/"}, true, false, Level::error),
      Filters::Function::equals({"f()"}, true, false, Level::verbose),
      Filters::Message::contains({"x"}, true, false, Level::verbose),
      Filters::Path::excludes({"/net/"}, true, true, Level::verbose),
  };
  using Type = FilterValidator::ValidationType;
  const std::pair<Type, std::size_t> groups[] = {
      {Type::excluded, 1}, {Type::required, 0}, {Type::nonRequired, 3}};
  for (const auto& [type, size] : groups)
    EXPECT_EQ(FilterValidator::filters(filters, type).size(), size);
  const Filterlist nonExcluding(filters.begin(), filters.end() - 1);
  const FilterValidator::ValidationInput input{nonExcluding, Level::info, "/net/a.cpp", "f()",
                                               std::nullopt};
  const auto results = FilterValidator::validate(input, FilterValidator::allValidationTypes);
  using Result = FilterValidator::Result;
  for (Type type : {Type::excluded, Type::required})
    EXPECT_EQ(results.at(type).kind, Result::Kind::noFiltersMatchingType);
  const Result& others = results.at(Type::nonRequired);
  EXPECT_EQ(others.kind, Result::Kind::someFiltersMatch);
  EXPECT_EQ(others.partialMatchData, (Result::PartialMatchData{1, 1, 1}));
}

}  // namespace
}  // namespace tallylog
