#pragma once
// The case tables behind the enumerations' raw values: one row per case, in declaration order.
// Used only inside the enumerations' source files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace device {

template <typename E>
struct TextCase {
  E value;
  std::string_view raw;  // also the description
};

template <typename E>
struct IntCase {
  E value;
  std::int64_t raw;
  std::string_view description;
};

// Exact match of the raw value (case-sensitive text, no trimming); no value when none matches.
template <typename Case, std::size_t N, typename Raw>
constexpr auto findCase(const Case (&cases)[N], const Raw& raw) -> std::optional<decltype(cases[0].value)> {
  for (const Case& c : cases) {
    if (c.raw == raw) return c.value;
  }
  return std::nullopt;
}

// The row of a case. A value outside the enumeration (a bad cast) gets the first row.
template <typename Case, std::size_t N, typename E>
constexpr const Case& caseOf(const Case (&cases)[N], E value) {
  for (const Case& c : cases) {
    if (c.value == value) return c;
  }
  return cases[0];
}

}  // namespace device
