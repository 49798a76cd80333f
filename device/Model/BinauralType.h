#pragma once
// The binaural render type of a user's mix.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <optional>
#include <string>
#include <string_view>

#include "device/XML/RawValue.h"

namespace device {

enum class BinauralType { ortf185, ortf185flat, ortf200, ortf230, ortf250, ortf300, velto };

template <>
struct RawValueTraits<BinauralType> {
  using Raw = std::string;
  static std::optional<BinauralType> fromRaw(std::string_view raw);
  static std::string toRaw(BinauralType value);
};

// The raw value.
std::string description(BinauralType value);

}  // namespace device
