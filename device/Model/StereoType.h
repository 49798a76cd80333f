#pragma once
// The stereo render type of a user's mix. Shares six raw values with BinauralType but is a
// distinct type.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <optional>
#include <string>
#include <string_view>

#include "device/XML/RawValue.h"

namespace device {

enum class StereoType {
  ortf185,
  ortf185flat,
  ortf200,
  ortf230,
  ortf250,
  ortf300,
  velto1,
  velto2,
  brevan1,
  brevan2
};

template <>
struct RawValueTraits<StereoType> {
  using Raw = std::string;
  static std::optional<StereoType> fromRaw(std::string_view raw);
  static std::string toRaw(StereoType value);
};

// The raw value.
std::string description(StereoType value);

}  // namespace device
