#include "device/Model/AppSettings.h"

#include <algorithm>
#include <iterator>
#include <variant>

#include "device/XML/ValueEntry.h"
#include "platform/Uuid.h"
#include "platform/NumberText.h"

namespace device {

namespace {

using Member = std::variant<bool AppSettings::*, float AppSettings::*, std::string AppSettings::*,
                            DeviceType::Value AppSettings::*, ConnectionMode AppSettings::*,
                            PresetName AppSettings::*>;

struct Field {
  std::string_view key;
  Member member;
};

using K = AppSettings::Keys;
using A = AppSettings;

// All 30 fields in the order documents are read: the field order, except that ChMidGainDB comes
// before ChPeakGainDB. Which fields a failing entry leaves updated depends on this order.
const Field kFields[] = {
    {K::shortUuid, &A::shortUuid},
    {K::uuid, &A::uuid},
    {K::masterMidGainDb, &A::masterMidGainDb},
    {K::masterPeakGainDb, &A::masterPeakGainDb},
    {K::chMidGainDb, &A::chMidGainDb},
    {K::chPeakGainDb, &A::chPeakGainDb},
    {K::chGainStepDb, &A::chGainStepDb},
    {K::groupGainStepDb, &A::groupGainStepDb},
    {K::password, &A::password},
    {K::pelionType, &A::pelionType},
    {K::technicianMode, &A::technicianMode},
    {K::lockToMix, &A::lockToMix},
    {K::allowRemoteAdmin, &A::allowRemoteAdmin},
    {K::panningMode, &A::panningMode},
    {K::demoModeAvailable, &A::demoModeAvailable},
    {K::exclusiveSolo, &A::exclusiveSolo},
    {K::relativeGroupMixing, &A::relativeGroupMixing},
    {K::muteSoloAvailable, &A::muteSoloAvailable},
    {K::showDecibels, &A::showDecibels},
    {K::channelConfigAvailable, &A::channelConfigAvailable},
    {K::ambAuxControl, &A::ambAuxControl},
    {K::saveLoad, &A::saveLoad},
    {K::groupLock, &A::groupLock},
    {K::localConfigMenuAvailable, &A::localConfigMenuAvailable},
    {K::groupAvailable, &A::groupAvailable},
    {K::relativeGroups, &A::relativeGroups},
    {K::autoUnmute, &A::autoUnmute},
    {K::displayDim, &A::displayDim},
    {K::lastLocalPreset, &A::lastLocalPreset},
    {K::appName, &A::appName},
};

void readField(const ZRXMLElement& settings, std::string_view key, bool& field) {
  readValueEntry(settings, key, field, &ZRXMLElement::boolAttribute);
}
void readField(const ZRXMLElement& settings, std::string_view key, float& field) {
  readValueEntry(settings, key, field, &ZRXMLElement::floatAttribute);
}
void readField(const ZRXMLElement& settings, std::string_view key, std::string& field) {
  readValueEntry(settings, key, field, &ZRXMLElement::stringAttribute);
}
void readField(const ZRXMLElement& settings, std::string_view key, DeviceType::Value& field) {
  readValueEntry(settings, key, field, &ZRXMLElement::rawValueAttribute<DeviceType::Value>);
}
void readField(const ZRXMLElement& settings, std::string_view key, ConnectionMode& field) {
  readValueEntry(settings, key, field, &ZRXMLElement::rawValueAttribute<ConnectionMode>);
}
// Devices may store any text here: only a preset file name replaces the field.
void readField(const ZRXMLElement& settings, std::string_view key, PresetName& field) {
  if (const ZRXMLElementPtr entry = valueEntry(settings, key)) {
    if (auto name = PresetName::fromFileName(entry->stringAttribute("val"))) field = std::move(*name);
  }
}

}  // namespace

std::string AppSettings::textForm(float value) { return platform::formatFixed1(static_cast<double>(value)); }

std::string AppSettings::textForm(ConnectionMode value) { return std::to_string(rawValue(value)); }

std::string AppSettings::textForm(DeviceType::Value value) { return rawValue(value); }

std::string AppSettings::newUuid() { return platform::newUuidText(); }

AppSettings::AppSettings() { updateProperties(); }

AppSettings::AppSettings(const ZRXMLElementPtr& xml) {
  const ZRXMLElementPtr settings = xml->firstChild("Settings");
  if (!settings) throw ZRXMLDecodingError::childNotFound(xml->elementName, "Settings");
  updateProperties();
  decode(settings);
}

AppSettings::AppSettings(DeepCopyTag, const AppSettings& source) : AppSettings(source) {
  properties.clear();
  updateProperties();
}

void AppSettings::updateProperties() {
  for (const Field& field : kFields) {
    std::visit([&](auto member) { properties.insert_or_assign(std::string(field.key), textForm(this->*member)); },
               field.member);
  }
}

bool AppSettings::isKnownKey(std::string_view key) {
  return std::any_of(std::begin(kFields), std::end(kFields), [key](const Field& field) { return field.key == key; });
}

std::size_t AppSettings::decode(const ZRXMLElementPtr& settingsElement) {
  const ZRXMLElement& settings = *settingsElement;
  for (const Field& field : kFields) {
    std::visit([&](auto member) { readField(settings, field.key, this->*member); }, field.member);
  }
  std::size_t otherKeys = static_cast<std::size_t>(
      std::count_if(properties.begin(), properties.end(), [](const auto& entry) { return !isKnownKey(entry.first); }));
  std::size_t leftOut = 0;
  for (const ZRXMLElementPtr& entry : settings.children) {
    if (entry->elementName != "VALUE") continue;
    const auto name = entry->attributes.find("name");
    const auto val = entry->attributes.find("val");
    if (name == entry->attributes.end() || val == entry->attributes.end()) continue;
    const std::string& key = name->second;
    if (isKnownKey(key)) {
      properties.insert_or_assign(key, val->second);
      continue;
    }
    const auto held = properties.find(key);
    const bool fits = key.size() <= kMaximumOtherKeySize && val->second.size() <= kMaximumOtherValueSize &&
                      (held != properties.end() || otherKeys < kMaximumOtherKeys);
    if (!fits) {
      ++leftOut;
    } else if (held != properties.end()) {
      held->second = val->second;
    } else {
      properties.emplace(key, val->second);
      ++otherKeys;
    }
  }
  return leftOut;
}

}  // namespace device
