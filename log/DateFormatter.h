#pragma once
// Formats points in time with Unicode date field patterns such as "HH:mm:ss.SSS" or
// "yyyy-MM-dd'T'HH:mm:ssZZZZZ", in the system's local time zone (localtime_r) or in UTC.
// Supported fields: G, y, M/L, d, D, E, a, h, H, k, K, m, s, S (fraction, truncated), Z, z;
// text in single quotes is literal ('' is one quote); other letters are copied as they are.
// English month, weekday and AM/PM names. One formatter per user; not thread-safe.
// Light enough for SystemLog's standard-error line; destinations format their dates through ICU
// (platform/DateFormatter.h), in any zone and calendar.

#include <chrono>
#include <string>
#include <string_view>

namespace tallylog {

class DateFormatter {
 public:
  // "UTC" and "GMT" select UTC; any other abbreviation selects the system's time zone.
  void setTimeZone(std::string_view abbreviation);

  std::string format(std::string_view pattern, std::chrono::system_clock::time_point moment) const;

 private:
  bool utc_ = false;
};

}  // namespace tallylog
