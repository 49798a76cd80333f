#pragma once
// A calendar by its ICU identifier: "gregorian", "buddhist", "japanese", "persian", ... A plain
// value; the date formatter (platform/DateFormatter.h) formats in it. An identifier ICU does not
// know formats as Gregorian.

#include <string>
#include <utility>

namespace platform {

class Calendar {
 public:
  explicit Calendar(std::string identifier) : identifier_(std::move(identifier)) {}

  // The calendar of the process's locale for dates (LC_ALL, else LC_TIME, else LANG, as the C
  // library picks it), read now: "th_TH.UTF-8" gives "buddhist", a modifier such as
  // "en_GB.UTF-8@calendar=japanese" names one, and "C" or no locale gives "gregorian".
  static Calendar current();

  const std::string& identifier() const { return identifier_; }
  bool operator==(const Calendar&) const = default;

 private:
  std::string identifier_;
};

}  // namespace platform
