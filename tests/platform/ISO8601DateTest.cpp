#include <gtest/gtest.h>

#include "platform/ISO8601Date.h"

namespace {

using namespace std::chrono;

TEST(ISO8601Date, ReadsStampsWithZoneToTheMillisecond) {
  const platform::Date instant = sys_days{2024y / May / 1} + 10h + 20min + 30s + 123ms;
  for (const char* text : {"2024-05-01T10:20:30.123Z", "2024-05-01T12:20:30.123+02:00",
                           "2024-05-01T07:50:30.123-02:30", "2024-05-02T00:20:30.123+14:00"}) {
    EXPECT_EQ(platform::parseISO8601(text), instant) << text;
  }
  EXPECT_EQ(platform::parseISO8601("2024-02-29T23:59:59.999Z"),
            platform::Date{sys_days{2024y / March / 1} - 1ms});
  for (const char* bad :
       {"2024-05-01T10:20:30Z", "2024-05-01T10:20:30.12Z", "2024-05-01T10:20:30.1234Z",
        "2024-05-01T10:20:30.123", "2024-05-01T10:20:30.123+0200", "2024-05-01T10:20:30.123z",
        "2024-05-01 10:20:30.123Z", "2023-02-29T10:20:30.123Z", "2024-13-01T10:20:30.123Z",
        "2024-05-01T24:00:00.000Z", "2024-05-01T10:60:30.123Z", "2024-05-01T10:20:60.123Z",
        "2024-05-01T10:20:30.123+24:00", "2024-05-01T10:20:30.123Z ", "+024-05-01T10:20:30.123Z", "",
        "0001-01-01T00:00:00.000Z", "9999-12-31T23:59:59.999Z"}) {
    EXPECT_EQ(platform::parseISO8601(bad), std::nullopt) << bad;
  }
}

TEST(ISO8601Date, WritesUtcWithMillisecondsAndReadsBack) {
  const platform::Date date = sys_days{1999y / December / 31} + 23h + 5min + 7s + 45ms + 999us;
  EXPECT_EQ(platform::formatISO8601(date), "1999-12-31T23:05:07.045Z");  // cut down to the millisecond
  EXPECT_EQ(platform::parseISO8601(platform::formatISO8601(date)), floor<milliseconds>(date));
  EXPECT_EQ(platform::formatISO8601(sys_days{1969y / December / 31} + 999ms), "1969-12-31T00:00:00.999Z");
}

}  // namespace
