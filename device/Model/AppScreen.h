#pragma once
// A screen of the companion mixing app; the raw value ends its screen-switch address
// ("/Va/screen/" + raw value).
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <optional>
#include <string>
#include <string_view>

#include "device/XML/RawValue.h"

namespace device {

enum class AppScreen { faders1, faders2, stage1, stage2, meters, config, none, channelDetails };

template <>
struct RawValueTraits<AppScreen> {
  using Raw = std::string;
  static std::optional<AppScreen> fromRaw(std::string_view raw);
  static std::string toRaw(AppScreen value);
};

// The raw value.
std::string description(AppScreen value);

}  // namespace device
