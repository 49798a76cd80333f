#include "device/Model/PresetType.h"

#include <nlohmann/json.hpp>

namespace device {

void to_json(nlohmann::json& json, PresetType value) { json = rawValue(value); }

void from_json(const nlohmann::json& json, PresetType& value) {
  const auto type = fromRawValue<PresetType>(json.get<std::string>());
  if (!type)
    throw nlohmann::json::other_error::create(501, "data corrupted: no preset type " + json.dump(), &json);
  value = *type;
}

}  // namespace device
