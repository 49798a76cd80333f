#include "platform/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace platform {
namespace {

// A "C" locale object, made once; strtod_l / strtof_l never look at the global locale.
locale_t cLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

struct Digits {
  bool negative = false;
  std::uint64_t magnitude = 0;
};

std::optional<Digits> parseDecimal(std::string_view text, std::uint64_t limitPositive,
                                   std::uint64_t limitNegative) {
  Digits result;
  std::size_t i = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    result.negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  const std::uint64_t limit = result.negative ? limitNegative : limitPositive;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (digit > limit || result.magnitude > (limit - digit) / 10) return std::nullopt;
    result.magnitude = result.magnitude * 10 + digit;
  }
  return result;
}

bool startsBlank(std::string_view text) {
  switch (text.front()) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r': case '\0': return true;
    default: return false;
  }
}

template <typename T, typename Convert>
std::optional<T> parseFloating(std::string_view text, Convert convert) {
  if (text.empty() || startsBlank(text)) return std::nullopt;
  const std::string copy(text);  // NUL-terminated; an embedded NUL ends the number early and fails
  char* end = nullptr;
  const T value = convert(copy.c_str(), &end, cLocale());
  if (end != copy.c_str() + copy.size() || end == copy.c_str()) return std::nullopt;
  return value;
}

template <typename T>
std::string shortest(T value, T exponentialAbove) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // to_chars without a precision gives the shortest round-tripping digits; take them apart.
  std::array<char, 64> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific);
  std::string_view sci(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
  std::string out;
  if (sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const auto ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos)) {
    if (c != '.') digits += c;
  }
  int exponent = 0;  // value = d.ddd × 10^exponent
  const auto expText = sci.substr(ePos + 1);
  std::from_chars(expText.data() + (expText.front() == '+' ? 1 : 0), expText.data() + expText.size(),
                  exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  const T magnitude = std::fabs(value);
  if (value != 0 && (magnitude < T(1e-4) || magnitude > exponentialAbove)) {
    out += digits.front();
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += 'e';
    out += exponent < 0 ? '-' : '+';
    const int absExp = exponent < 0 ? -exponent : exponent;
    if (absExp < 10) out += '0';
    out += std::to_string(absExp);
    return out;
  }
  const int pointAt = exponent + 1;  // digits before the decimal point
  if (pointAt <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-pointAt), '0');
    out += digits;
  } else if (static_cast<std::size_t>(pointAt) < digits.size()) {
    out.append(digits, 0, static_cast<std::size_t>(pointAt));
    out += '.';
    out.append(digits, static_cast<std::size_t>(pointAt));
  } else {
    out += digits;
    out.append(static_cast<std::size_t>(pointAt) - digits.size(), '0');
    out += ".0";
  }
  return out;
}

}  // namespace

std::optional<std::int64_t> parseInt64(std::string_view text) {
  constexpr auto maxPositive = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  const auto d = parseDecimal(text, maxPositive, maxPositive + 1);
  if (!d) return std::nullopt;
  if (d->negative) {
    if (d->magnitude == maxPositive + 1) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(d->magnitude);
  }
  return static_cast<std::int64_t>(d->magnitude);
}

std::optional<std::uint64_t> parseUInt64(std::string_view text) {
  const auto d = parseDecimal(text, std::numeric_limits<std::uint64_t>::max(), 0);
  if (!d) return std::nullopt;
  return d->magnitude;
}

std::optional<double> parseDouble(std::string_view text) {
  return parseFloating<double>(text, strtod_l);
}

std::optional<float> parseFloat(std::string_view text) {
  return parseFloating<float>(text, strtof_l);
}

std::string formatFixed(double value, int precision) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  std::array<char, 512> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, precision);
  if (ec != std::errc()) return {};
  return std::string(buffer.data(), end);
}

std::string formatShortest(double value) { return shortest<double>(value, 0x1.0p54); }
std::string formatShortest(float value) { return shortest<float>(value, 0x1.0p25f); }

}  // namespace platform
