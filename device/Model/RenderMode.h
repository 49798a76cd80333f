#pragma once
// The render mode of a channel or a user's mix.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <cstdint>
#include <optional>
#include <string>

#include "device/XML/RawValue.h"

namespace device {

enum class RenderMode { mono, stereo, threeD, iThreeD };

template <>
struct RawValueTraits<RenderMode> {
  using Raw = std::int64_t;
  static std::optional<RenderMode> fromRaw(std::int64_t raw);
  static std::int64_t toRaw(RenderMode value);
};

// The case name as text.
std::string description(RenderMode value);

}  // namespace device
