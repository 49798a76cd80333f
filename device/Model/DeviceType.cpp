#include "device/Model/DeviceType.h"

#include <stdexcept>

#include "device/Model/RawValueTable.h"

namespace device {
namespace {

using V = DeviceType::Value;

struct ModelRow {
  V value;
  std::string_view raw;
  int numericCode;
  std::size_t mixes;   // 0 for pelion: the count is the caller's
  std::size_t inputs;  // 0 for pelion: from the pelion table
};

constexpr ModelRow kModels[] = {
    {V::app, "VELTO:app", 200, 1, 1},
    {V::tamo, "VELTO:tamo", 400, 5, 24},
    {V::pelion, "VELTO:pelion", 1000, 0, 0},
    {V::hxb, "HXB-VELTO", 2000, 16, 64},
    {V::zelvarine, "VELTO:zelvarine", 3000, 16, 128},
    {V::sirel, "VELTO:sirel", 5000, 12, 64},
    {V::sirelPlus, "VELTO:sirel+", 5000, 12, 64},
    {V::rotaver, "VELTO:rotaver", 6000, 1, 6},
    {V::one, "VELTO:1", 8000, 1, 64},
    {V::onePro, "VELTO:1pro", 9000, 1, 64},
};

// Inputs per mix of a pelion, indexed by mix count minus one.
constexpr std::size_t kPelionInputs[16] = {56, 49, 41, 36, 34, 29, 26, 23, 21, 19, 17, 16, 15, 14, 13, 12};

}  // namespace

std::optional<DeviceType> DeviceType::make(Value value, std::optional<std::size_t> numberOfMixes) {
  if (value != V::pelion) return fixed(value);
  if (!numberOfMixes || *numberOfMixes < 1 || *numberOfMixes > 16) return std::nullopt;
  return DeviceType(value, *numberOfMixes, kPelionInputs[*numberOfMixes - 1]);
}

std::optional<DeviceType> DeviceType::make(std::string_view rawValue,
                                           std::optional<std::size_t> numberOfMixes) {
  const auto value = findCase(kModels, rawValue);
  if (!value) return std::nullopt;
  return make(*value, numberOfMixes);
}

DeviceType DeviceType::fixed(Value value) {
  const ModelRow& row = caseOf(kModels, value);
  return DeviceType(value, row.mixes, row.inputs);
}

DeviceType DeviceType::pelion(std::size_t numberOfMixes) {
  const auto type = make(V::pelion, numberOfMixes);
  if (!type) throw std::out_of_range("pelion mix count " + std::to_string(numberOfMixes) + " outside 1...16");
  return *type;
}

DeviceType DeviceType::app() { return fixed(V::app); }
DeviceType DeviceType::tamo() { return fixed(V::tamo); }
DeviceType DeviceType::hxb() { return fixed(V::hxb); }
DeviceType DeviceType::zelvarine() { return fixed(V::zelvarine); }
DeviceType DeviceType::sirel() { return fixed(V::sirel); }
DeviceType DeviceType::sirelPlus() { return fixed(V::sirelPlus); }
DeviceType DeviceType::rotaver() { return fixed(V::rotaver); }
DeviceType DeviceType::one() { return fixed(V::one); }
DeviceType DeviceType::onePro() { return fixed(V::onePro); }

std::string DeviceType::description() const { return rawValue(value_); }

std::optional<DeviceType::Value> RawValueTraits<DeviceType::Value>::fromRaw(std::string_view raw) {
  return findCase(kModels, raw);
}

std::string RawValueTraits<DeviceType::Value>::toRaw(DeviceType::Value value) {
  return std::string(caseOf(kModels, value).raw);
}

bool isProcessor(DeviceType::Value value) { return value != V::app && value != V::rotaver; }

std::string iconName(DeviceType::Value value) {
  switch (value) {
    case V::app:
      return "laptopcomputer";
    case V::rotaver:
      return "gamecontroller";
    default:
      return "music.note.tv";
  }
}

int numericCode(DeviceType::Value value) { return caseOf(kModels, value).numericCode; }

}  // namespace device
