#pragma once
// The kind of a stored preset. Encoded as a single JSON string holding the raw value.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes, preset names).

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "device/XML/RawValue.h"

namespace device {

enum class PresetType { preset, userShow };

template <>
struct RawValueTraits<PresetType> {
  using Raw = std::string;
  static std::optional<PresetType> fromRaw(std::string_view raw);
  static std::string toRaw(PresetType value);
};

// The raw value.
std::string description(PresetType value);

// A single string holding the raw value; reading a string that is no raw value (or no string)
// throws nlohmann::json::exception.
void to_json(nlohmann::json& json, PresetType value);
void from_json(const nlohmann::json& json, PresetType& value);

}  // namespace device
