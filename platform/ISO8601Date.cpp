#include "platform/ISO8601Date.h"

#include <algorithm>

namespace platform {
namespace {

using namespace std::chrono;

void appendDigits(std::string& out, long long value, int width) {
  char buffer[8];
  for (int i = width - 1; i >= 0; --i) {
    buffer[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out.append(buffer, static_cast<std::size_t>(width));
}

// Reads `width` ASCII digits at `pos`; no value when any of them is not a digit.
std::optional<int> readDigits(std::string_view text, std::size_t pos, std::size_t width) {
  int value = 0;
  for (std::size_t i = pos; i < pos + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

constexpr std::string_view kLayout = "0000-00-00T00:00:00.000";

}  // namespace

std::string formatISO8601(Date date) {
  constexpr auto earliest = sys_days{year{0} / January / 1};
  constexpr auto latest = sys_days{year{9999} / December / 31} + days{1} - milliseconds{1};
  const auto ms = std::clamp(floor<milliseconds>(date), time_point_cast<milliseconds>(earliest),
                             time_point_cast<milliseconds>(latest));
  const auto day = floor<days>(ms);
  const year_month_day ymd{day};
  const hh_mm_ss time{ms - day};
  std::string out;
  out.reserve(24);
  appendDigits(out, static_cast<int>(ymd.year()), 4);
  out += '-';
  appendDigits(out, static_cast<unsigned>(ymd.month()), 2);
  out += '-';
  appendDigits(out, static_cast<unsigned>(ymd.day()), 2);
  out += 'T';
  appendDigits(out, time.hours().count(), 2);
  out += ':';
  appendDigits(out, time.minutes().count(), 2);
  out += ':';
  appendDigits(out, time.seconds().count(), 2);
  out += '.';
  appendDigits(out, time.subseconds().count(), 3);
  out += 'Z';
  return out;
}

std::optional<Date> parseISO8601(std::string_view text) {
  if (text.size() < kLayout.size() + 1) return std::nullopt;
  for (std::size_t i = 0; i < kLayout.size(); ++i) {
    if (kLayout[i] != '0' && text[i] != kLayout[i]) return std::nullopt;
  }
  const auto y = readDigits(text, 0, 4), mo = readDigits(text, 5, 2), d = readDigits(text, 8, 2);
  const auto h = readDigits(text, 11, 2), mi = readDigits(text, 14, 2), s = readDigits(text, 17, 2);
  const auto ms = readDigits(text, 20, 3);
  if (!y || !mo || !d || !h || !mi || !s || !ms) return std::nullopt;
  const year_month_day ymd{year{*y}, month{static_cast<unsigned>(*mo)}, day{static_cast<unsigned>(*d)}};
  if (!ymd.ok() || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;

  minutes offset{0};
  const std::string_view zone = text.substr(kLayout.size());
  if (zone != "Z") {
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') return std::nullopt;
    const auto oh = readDigits(zone, 1, 2), om = readDigits(zone, 4, 2);
    if (!oh || !om || *oh > 23 || *om > 59) return std::nullopt;
    offset = hours{*oh} + minutes{*om};
    if (zone[0] == '-') offset = -offset;
  }
  const auto local = sys_days{ymd} + hours{*h} + minutes{*mi} + seconds{*s} + milliseconds{*ms};
  const auto utc = local - offset;
  // Date counts nanoseconds in 64 bits (years 1678 to 2261 in full): an instant outside that span
  // cannot be held, and converting it would overflow.
  if (utc < ceil<milliseconds>(Date::min()) || utc > floor<milliseconds>(Date::max())) return std::nullopt;
  return time_point_cast<Date::duration>(utc);
}

}  // namespace platform
