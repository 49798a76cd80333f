#pragma once
// The case tables behind the enumerations' raw values: one row per case, in declaration order.
// An enumeration declares its table next to its definition and derives its RawValueTraits from
// RawValueTable<table>.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace device {

template <typename E>
struct TextCase {
  using Raw = std::string;
  using RawArgument = std::string_view;
  E value;
  std::string_view raw;
  constexpr std::string_view description() const { return raw; }
};

template <typename E>
struct IntCase {
  using Raw = std::int64_t;
  using RawArgument = std::int64_t;
  E value;
  std::int64_t raw;
  std::string_view text;
  constexpr std::string_view description() const { return text; }
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

template <auto& Cases>
struct RawValueTable {
  using Case = std::remove_cvref_t<decltype(Cases[0])>;
  using Enum = decltype(Case::value);
  using Raw = typename Case::Raw;
  static std::optional<Enum> fromRaw(typename Case::RawArgument raw) { return findCase(Cases, raw); }
  static Raw toRaw(Enum value) { return Raw(caseOf(Cases, value).raw); }
  static std::string description(Enum value) { return std::string(caseOf(Cases, value).description()); }
};

}  // namespace device
