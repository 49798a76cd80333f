#include "log/DateFormatter.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace tallylog {

namespace {

constexpr std::array<std::string_view, 12> monthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> weekdayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

void appendNumber(std::string& out, std::int64_t value, std::size_t minimumDigits) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (value < 0) out += '-';
  if (digits.size() < minimumDigits) out.append(minimumDigits - digits.size(), '0');
  out += digits;
}

void appendName(std::string& out, std::string_view name, std::size_t count) {
  if (count == 4) {
    out += name;
  } else if (count >= 5) {
    out += name.substr(0, 1);
  } else {
    out += name.substr(0, 3);
  }
}

void appendOffset(std::string& out, long offsetSeconds, std::size_t count) {
  if (count == 5 && offsetSeconds == 0) {
    out += 'Z';
    return;
  }
  if (count == 4) out += "GMT";
  out += offsetSeconds < 0 ? '-' : '+';
  const long minutes = std::labs(offsetSeconds) / 60;
  appendNumber(out, minutes / 60, 2);
  if (count >= 4) out += ':';
  appendNumber(out, minutes % 60, 2);
}

struct Moment {
  std::tm fields{};
  std::int64_t nanoseconds = 0;
};

void appendField(std::string& out, char letter, std::size_t count, const Moment& moment) {
  const std::tm& tm = moment.fields;
  switch (letter) {
    case 'G':
      out += tm.tm_year + 1900 > 0 ? "AD" : "BC";
      break;
    case 'y':
      if (count == 2) {
        appendNumber(out, (tm.tm_year + 1900) % 100, 2);
      } else {
        appendNumber(out, tm.tm_year + 1900, count);
      }
      break;
    case 'M':
    case 'L':
      if (count <= 2) {
        appendNumber(out, tm.tm_mon + 1, count);
      } else {
        appendName(out, monthNames[static_cast<std::size_t>(tm.tm_mon)], count);
      }
      break;
    case 'd':
      appendNumber(out, tm.tm_mday, count);
      break;
    case 'D':
      appendNumber(out, tm.tm_yday + 1, count);
      break;
    case 'E':
      appendName(out, weekdayNames[static_cast<std::size_t>(tm.tm_wday)], count);
      break;
    case 'a':
      out += tm.tm_hour < 12 ? "AM" : "PM";
      break;
    case 'h':
      appendNumber(out, tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12, count);
      break;
    case 'H':
      appendNumber(out, tm.tm_hour, count);
      break;
    case 'k':
      appendNumber(out, tm.tm_hour == 0 ? 24 : tm.tm_hour, count);
      break;
    case 'K':
      appendNumber(out, tm.tm_hour % 12, count);
      break;
    case 'm':
      appendNumber(out, tm.tm_min, count);
      break;
    case 's':
      appendNumber(out, tm.tm_sec, count);
      break;
    case 'S': {
      std::string fraction;
      appendNumber(fraction, moment.nanoseconds, 9);
      fraction.resize(count, '0');
      out += fraction;
      break;
    }
    case 'Z':
      appendOffset(out, tm.tm_gmtoff, count);
      break;
    case 'z':
      out += tm.tm_zone != nullptr ? tm.tm_zone : "";
      break;
    default:
      out.append(count, letter);
      break;
  }
}

bool isPatternLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

void DateFormatter::setTimeZone(std::string_view abbreviation) {
  utc_ = abbreviation == "UTC" || abbreviation == "GMT";
}

std::string DateFormatter::format(std::string_view pattern,
                                  std::chrono::system_clock::time_point moment) const {
  using namespace std::chrono;
  const auto sinceEpoch = moment.time_since_epoch();
  const auto wholeSeconds = floor<seconds>(sinceEpoch);
  Moment parts;
  parts.nanoseconds = duration_cast<nanoseconds>(sinceEpoch - wholeSeconds).count();
  const std::time_t time = static_cast<std::time_t>(wholeSeconds.count());
  if (utc_) {
    gmtime_r(&time, &parts.fields);
  } else {
    localtime_r(&time, &parts.fields);
  }

  std::string out;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        out += '\'';
        i += 2;
        continue;
      }
      // Quoted literal text up to the closing quote; '' inside it is one quote.
      for (++i; i < pattern.size(); ++i) {
        if (pattern[i] != '\'') {
          out += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
          out += '\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    if (!isPatternLetter(c)) {
      out += c;
      ++i;
      continue;
    }
    std::size_t count = 1;
    while (i + count < pattern.size() && pattern[i + count] == c) ++count;
    appendField(out, c, count, parts);
    i += count;
  }
  return out;
}

}  // namespace tallylog
