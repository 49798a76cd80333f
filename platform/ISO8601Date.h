#pragma once
// Internet date-times with milliseconds, the time stamps of preset names and preset files:
// "2024-05-01T10:20:30.123Z" or "2024-05-01T10:20:30.123+02:00". Written always in UTC with "Z";
// read with "Z" or a signed "hh:mm" offset. Stateless and locale-independent: any thread may call.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

using Date = std::chrono::system_clock::time_point;

// "YYYY-MM-DDThh:mm:ss.fffZ" in UTC; the instant is cut down to whole milliseconds (towards the
// past). Years outside 0...9999 cannot be written in four digits and are clamped to that span.
std::string formatISO8601(Date date);

// Reads exactly "YYYY-MM-DDThh:mm:ss.fff" followed by "Z" or "+hh:mm" / "-hh:mm" (ASCII digits,
// exactly three digits of milliseconds). Calendar fields out of range (month 13, 30 February,
// hour 24, second 60, offset hour 24) give no value, as does any other text, and so does an
// instant that Date cannot hold (64-bit nanoseconds: 1677-09-21 to 2262-04-11).
std::optional<Date> parseISO8601(std::string_view text);

}  // namespace platform
