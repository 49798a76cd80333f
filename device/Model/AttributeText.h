#pragma once
// The texts the model writes into attributes: Booleans "1" and "0", integers in plain decimal,
// enumerations their raw values, doubles the shortest text that reads back to the same value.
// Locale-independent; callable from any thread.

#include <cstdint>
#include <string>

#include "device/XML/RawValue.h"
#include "platform/NumberText.h"

namespace device {

inline std::string boolText(bool value) { return value ? "1" : "0"; }

inline std::string decimalText(std::int64_t value) { return std::to_string(value); }
inline std::string decimalText(std::uint64_t value) { return std::to_string(value); }

inline std::string doubleText(double value) { return platform::formatShortest(value); }

template <typename E>
requires IntegerCoded<E> || TextCoded<E> std::string rawText(E value) {
  if constexpr (IntegerCoded<E>) {
    return std::to_string(rawValue(value));
  } else {
    return rawValue(value);
  }
}

}  // namespace device
