#pragma once
// How an enumeration maps to and from its raw value, the form it takes in XML attributes, OSC
// arguments and preset names. Each enumeration specialises RawValueTraits next to its definition:
//
//   integer-coded:  using Raw = std::int64_t;
//                   static std::optional<E> fromRaw(std::int64_t);
//                   static std::int64_t toRaw(E);
//   text-coded:     using Raw = std::string;
//                   static std::optional<E> fromRaw(std::string_view);
//                   static std::string toRaw(E);
//
// Building from a raw value that matches no case gives no value, never an error; the caller decides.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace device {

template <typename E>
struct RawValueTraits;

template <typename E>
concept IntegerCoded = std::is_same_v<typename RawValueTraits<E>::Raw, std::int64_t>;

template <typename E>
concept TextCoded = std::is_same_v<typename RawValueTraits<E>::Raw, std::string>;

template <typename E>
std::optional<E> fromRawValue(const typename RawValueTraits<E>::Raw& raw) {
  return RawValueTraits<E>::fromRaw(raw);
}

template <typename E>
typename RawValueTraits<E>::Raw rawValue(E value) {
  return RawValueTraits<E>::toRaw(value);
}

}  // namespace device
