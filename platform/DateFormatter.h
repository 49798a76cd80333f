#pragma once
// Formats points in time with Unicode date field patterns ("HH:mm:ss.SSS", "G yyyy-MM-dd xxx") in
// a time zone and a calendar, with English names and ASCII digits whatever the user's locale.
// Fractions of a second have millisecond precision. A setting is applied only when it differs from
// the last one, so setting all three before every format costs little more than comparisons.
// One formatter per user; not thread-safe.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Calendar.h"

namespace platform {

class DateFormatter {
 public:
  // The system's time zone as it is now, the Gregorian calendar and an empty pattern.
  DateFormatter();
  ~DateFormatter();
  DateFormatter(const DateFormatter&) = delete;
  DateFormatter& operator=(const DateFormatter&) = delete;

  // The zone of a time-zone abbreviation or zone name: "UTC", "JST", "HST", "CET" and "CEST" alike
  // (central European time with its daylight saving), "EST" and "EDT" alike (New York's),
  // "Europe/Lisbon". An unknown one selects the system's time zone as it is at this call.
  void setTimeZone(std::string_view abbreviation);
  void setCalendar(const Calendar& calendar);
  void setPattern(std::string_view pattern);

  std::string format(std::chrono::system_clock::time_point moment);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
