#pragma once
// Whether a mix or a channel is hidden.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <cstdint>
#include <optional>
#include <string>

#include "device/XML/RawValue.h"

namespace device {

enum class Hide { hidden, visible };

template <>
struct RawValueTraits<Hide> {
  using Raw = std::int64_t;
  static std::optional<Hide> fromRaw(std::int64_t raw);
  static std::int64_t toRaw(Hide value);
};

// The case name as text.
std::string description(Hide value);

}  // namespace device
