// Dates through ICU: zones by abbreviation, fractions of a second, calendars.
#include "platform/Calendar.h"
#include "platform/DateFormatter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>

namespace platform {
namespace {

// 2024-03-05 19:08:09.123 UTC, a Tuesday, and the same time on 2024-07-05.
const std::chrono::system_clock::time_point winter{std::chrono::milliseconds(1709665689123)};
const auto summer = winter + std::chrono::days(122);

// Sets (nullptr: removes) an environment variable until the end of the scope.
struct Environment {
  Environment(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) previous = old;
    set(value);
  }
  ~Environment() { set(previous ? previous->c_str() : nullptr); }
  void set(const char* value) const { value ? ::setenv(name, value, 1) : ::unsetenv(name); }
  const char* name;
  std::optional<std::string> previous;
};

TEST(DateFormatter, ZonesByAbbreviationKeepTheirRegionsDaylightSaving) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"UTC", "19:08 +00:00", "19:08 +00:00"},  {"JST", "04:08 +09:00", "04:08 +09:00"},
      {"HST", "09:08 -10:00", "09:08 -10:00"},  {"CET", "20:08 +01:00", "21:08 +02:00"},
      {"CEST", "20:08 +01:00", "21:08 +02:00"}, {"EST", "14:08 -05:00", "15:08 -04:00"},
      {"PDT", "11:08 -08:00", "12:08 -07:00"},  {"BST", "19:08 +00:00", "20:08 +01:00"},
      {"AEST", "06:08 +11:00", "05:08 +10:00"},
  };
  DateFormatter formatter;
  formatter.setPattern("HH:mm xxx");
  for (const auto& [abbreviation, inWinter, inSummer] : cases) {
    formatter.setTimeZone(abbreviation);
    EXPECT_EQ(formatter.format(winter), inWinter) << abbreviation;
    EXPECT_EQ(formatter.format(summer), inSummer) << abbreviation;
  }
}

TEST(DateFormatter, FractionsWithinAndAcrossSeconds) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {"s.S SS SSSS", 0, "9.1 12 1230"},     {"s.S SS SSSS", 876, "9.9 99 9990"},
      {"s.S SS SSSS", 877, "10.0 00 0000"},  {"A", 1, "68889124"},
      {"A", 2, "68889125"},                  {"'\u00E9t\u00E9' SSS", 0, "\u00E9t\u00E9 123"},
      {"'\u00E9t\u00E9' SSS", 4, "\u00E9t\u00E9 127"},
  };
  DateFormatter formatter;
  formatter.setTimeZone("UTC");
  for (const auto& [pattern, after, expected] : cases) {
    formatter.setPattern(pattern);
    EXPECT_EQ(formatter.format(winter + std::chrono::milliseconds(after)), expected) << pattern;
  }
}

TEST(DateFormatter, CalendarsCountTheirOwnYearsWithEnglishNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"buddhist", "BE 2567 Mar Wed 04:08"},
      {"japanese", "Reiwa 6 Mar Wed 04:08"},
      {"no-such-calendar", "AD 2024 Mar Wed 04:08"},
  };
  DateFormatter formatter;
  formatter.setTimeZone("JST");
  formatter.setPattern("G y MMM EEE HH:mm");
  for (const auto& [calendar, expected] : cases) {
    formatter.setCalendar(Calendar(calendar));
    EXPECT_EQ(formatter.format(winter), expected) << calendar;
  }
}

TEST(Calendar, CurrentIsTheCalendarOfTheLocaleOfDates) {
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {nullptr, nullptr, "th_TH.UTF-8", "buddhist"},
      {nullptr, nullptr, "C.UTF-8", "gregorian"},
      {nullptr, nullptr, nullptr, "gregorian"},
      {nullptr, nullptr, "en_GB.UTF-8@calendar=japanese", "japanese"},
      {"", "fa_IR.UTF-8", "en_US.UTF-8", "persian"},
      {"en_US.UTF-8", "th_TH.UTF-8", "th_TH.UTF-8", "gregorian"},
  };
  for (const auto& [all, time, lang, calendar] : cases) {
    const Environment lcAll("LC_ALL", all), lcTime("LC_TIME", time), language("LANG", lang);
    EXPECT_EQ(Calendar::current().identifier(), calendar) << (lang ? lang : "no LANG");
  }
}

}  // namespace
}  // namespace platform
