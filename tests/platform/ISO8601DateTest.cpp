#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/ISO8601Date.h"

namespace {

using namespace std::chrono;

TEST(ISO8601Date, ReadsStampsWithZoneToTheMillisecond) {
  const auto expected = sys_days{2024y / May / 1} + 10h + 20min + 30s + 123ms;
  struct Case {
    const char* text;
    std::optional<sys_time<milliseconds>> instant;
  };
  const Case cases[] = {
      {"2024-05-01T10:20:30.123Z", expected},
      {"2024-05-01T12:20:30.123+02:00", expected},
      {"2024-05-01T07:50:30.123-02:30", expected},
      {"2024-05-02T00:20:30.123+14:00", expected},
      {"2024-02-29T23:59:59.999Z", sys_days{2024y / February / 29} + 23h + 59min + 59s + 999ms},
      {"2024-05-01T10:20:30Z", std::nullopt},       // no milliseconds
      {"2024-05-01T10:20:30.12Z", std::nullopt},    // two digits
      {"2024-05-01T10:20:30.1234Z", std::nullopt},  // four digits
      {"2024-05-01T10:20:30.123", std::nullopt},    // no zone
      {"2024-05-01T10:20:30.123+0200", std::nullopt},
      {"2024-05-01T10:20:30.123z", std::nullopt},
      {"2024-05-01 10:20:30.123Z", std::nullopt},
      {"2023-02-29T10:20:30.123Z", std::nullopt},
      {"2024-13-01T10:20:30.123Z", std::nullopt},
      {"2024-05-01T24:00:00.000Z", std::nullopt},
      {"2024-05-01T10:60:30.123Z", std::nullopt},
      {"2024-05-01T10:20:60.123Z", std::nullopt},
      {"2024-05-01T10:20:30.123+24:00", std::nullopt},
      {"2024-05-01T10:20:30.123Z ", std::nullopt},
      {"+024-05-01T10:20:30.123Z", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = platform::parseISO8601(c.text);
    ASSERT_EQ(parsed.has_value(), c.instant.has_value());
    if (parsed) {
      EXPECT_EQ(*parsed, *c.instant);
    }
  }
}

TEST(ISO8601Date, WritesUtcWithMillisecondsAndReadsBack) {
  const platform::Date date = sys_days{1999y / December / 31} + 23h + 5min + 7s + 45ms + 999us;
  const std::string text = platform::formatISO8601(date);
  EXPECT_EQ(text, "1999-12-31T23:05:07.045Z");  // cut down to the millisecond
  EXPECT_EQ(platform::parseISO8601(text), floor<milliseconds>(date));
  EXPECT_EQ(platform::formatISO8601(platform::Date{}), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(platform::formatISO8601(sys_days{1969y / December / 31} + 999ms), "1969-12-31T00:00:00.999Z");
}

}  // namespace
