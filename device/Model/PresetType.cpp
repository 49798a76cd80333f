#include "device/Model/PresetType.h"

#include <nlohmann/json.hpp>

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

constexpr TextCase<PresetType> kCases[] = {
    {PresetType::preset, "PRESET"},
    {PresetType::userShow, "USER SHOW"},
};

}  // namespace

std::optional<PresetType> RawValueTraits<PresetType>::fromRaw(std::string_view raw) {
  return findCase(kCases, raw);
}
std::string RawValueTraits<PresetType>::toRaw(PresetType value) {
  return std::string(caseOf(kCases, value).raw);
}
std::string description(PresetType value) { return std::string(caseOf(kCases, value).raw); }

void to_json(nlohmann::json& json, PresetType value) { json = rawValue(value); }

void from_json(const nlohmann::json& json, PresetType& value) {
  const auto type = fromRawValue<PresetType>(json.get<std::string>());
  if (!type)
    throw nlohmann::json::other_error::create(501, "data corrupted: no preset type " + json.dump(), &json);
  value = *type;
}

}  // namespace device
