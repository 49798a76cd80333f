#pragma once
// Test helpers for the codec: bytes from hex text ("2F 61 00 00") or characters, and the text of
// the library error an operation throws.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "osc/OSCError.h"

namespace osc::test {

inline std::vector<std::uint8_t> hex(std::string_view text) {
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k + 1 < text.size(); ++k) {
    if (text[k] == ' ') continue;
    out.push_back(static_cast<std::uint8_t>(std::stoul(std::string(text.substr(k, 2)), nullptr, 16)));
    ++k;
  }
  return out;
}

inline std::vector<std::uint8_t> chars(std::string_view text) { return {text.begin(), text.end()}; }

inline std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The description of the library error that `operation` throws, or "no error".
template <typename Operation>
std::string errorText(Operation&& operation) {
  try {
    operation();
  } catch (const OSCError& e) {
    return e.description();
  }
  return "no error";
}

}  // namespace osc::test
