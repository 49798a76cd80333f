#pragma once
// Test helper: bytes from hex text ("2F 61 00 00") or from characters.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace osc::test {

inline std::vector<std::uint8_t> hex(std::string_view text) {
  std::vector<std::uint8_t> out;
  std::string digits;
  for (char c : text) {
    if (c == ' ') continue;
    digits += c;
    if (digits.size() == 2) {
      out.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return out;
}

inline std::vector<std::uint8_t> chars(std::string_view text) { return {text.begin(), text.end()}; }

inline std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace osc::test
