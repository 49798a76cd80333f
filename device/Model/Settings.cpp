#include "device/Model/Settings.h"

#include "device/XML/ValueEntry.h"

namespace device {

namespace {

// A text that is no address keeps the field; only a missing "val" fails.
void readAddress(const ZRXMLElement& settings, std::string_view key, IPv4Address& field) {
  if (const ZRXMLElementPtr entry = valueEntry(settings, key)) {
    if (const auto address = IPv4Address::fromString(entry->stringAttribute("val"))) field = *address;
  }
}

}  // namespace

IPv4Address Settings::defaultSubnet() { return *IPv4Address::fromString("255.255.255.0"); }

void Settings::decode(const ZRXMLElementPtr& xml) {
  const ZRXMLElement& settings = *xml;
  readValueEntry(settings, "SRMode", srMode, &ZRXMLElement::intAttribute);
  readValueEntry(settings, "NumberOfInputs", numberOfInputs, &ZRXMLElement::intAttribute);
  readValueEntry(settings, "NumberOfUsers", numberOfUsers, &ZRXMLElement::intAttribute);
  readValueEntry(settings, "EQenabled", eqEnabled, &ZRXMLElement::boolAttribute);
  readAddress(settings, "FixedIP", fixedIP);
  readAddress(settings, "FixedSubnet", fixedSubnet);
  readAddress(settings, "FixedGateway", fixedGateway);
  readValueEntry(settings, "LogLevel", logLevel, &ZRXMLElement::intAttribute);
  readValueEntry(settings, "AutoLockDevicesToMix", autoLockDevicesToMix, &ZRXMLElement::intAttribute);
}

}  // namespace device
