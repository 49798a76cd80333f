#pragma once
// The kind of a stored preset. Encoded as a single JSON string holding the raw value.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes, preset names).

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class PresetType { preset, userShow };

inline constexpr TextCase<PresetType> kPresetTypeCases[] = {
    {PresetType::preset, "PRESET"},
    {PresetType::userShow, "USER SHOW"},
};

template <>
struct RawValueTraits<PresetType> : RawValueTable<kPresetTypeCases> {};

// The raw value.
inline std::string description(PresetType value) { return RawValueTraits<PresetType>::description(value); }

// A single string holding the raw value; reading a string that is no raw value (or no string)
// throws nlohmann::json::exception.
void to_json(nlohmann::json& json, PresetType value);
void from_json(const nlohmann::json& json, PresetType& value);

}  // namespace device
