#pragma once
// The decimal text of one unsigned byte, shared by addresses and version numbers: an optional
// "+" (or "-" for the value zero), then one or more ASCII digits, value at most 255.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/NumberText.h"

namespace device {

inline std::optional<std::uint8_t> parseOctet(std::string_view text) {
  const auto value = platform::parseUInt64(text);
  if (!value || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

}  // namespace device
