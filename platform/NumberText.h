#pragma once
// Locale-independent number text. Every reader takes the whole text: no leading or trailing
// blanks, nothing after the number. Safe to call from any thread; never consults the process
// locale (Qt calls setlocale, and a decimal comma must not change what we read or write).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Decimal integer text: an optional single "+" or "-", then one or more digits "0"-"9".
std::optional<std::int64_t> parseInt64(std::string_view text);
// As parseInt64, unsigned; "-" is accepted only for the value zero ("-0" gives 0).
std::optional<std::uint64_t> parseUInt64(std::string_view text);

// The C library's strtod grammar in the "C" locale, applied to the whole text: optional sign,
// decimal or hexadecimal form, inf, infinity, nan (any case). Text that starts with white space
// or NUL fails. Out-of-range text gives infinity or zero as strtod does.
std::optional<double> parseDouble(std::string_view text);
// As parseDouble, read directly to single precision (strtof, not through double).
std::optional<float> parseFloat(std::string_view text);

// printf's "%.<precision>f".
std::string formatFixed(double value, int precision);
// printf's "%.1f".
inline std::string formatFixed1(double value) { return formatFixed(value, 1); }

// The shortest text that reads back to the same value, written the way the devices' own software
// prints numbers: "-144.0", "1.5707963267948966", "0.0001", "1e-05", "1.8014398509481988e+16".
// Plain decimal with at least one fractional digit, unless the value is below 1e-4 or its
// magnitude exceeds 2^54 (2^25 for float): then "d.ddde±XX" with at least two exponent digits.
// Infinity is written "inf" / "-inf" and NaN "nan": the forms strtod reads back.
std::string formatShortest(double value);
std::string formatShortest(float value);

}  // namespace platform
