#include "device/Model/User.h"

#include <utility>

#include "device/Model/AttributeText.h"
#include "device/Model/ListCoding.h"

namespace device {
namespace {

// Stores the attribute read with `read` into `field` when it is present and converts.
template <typename Field, typename Read>
void readIfPresent(const ZRXMLElement& element, std::string_view name, Field& field, Read read) {
  if (auto value = optionalAttribute(element, name, read)) field = std::move(*value);
}

}  // namespace

User::User(std::string name, std::uint64_t outChannelLeft, std::uint64_t outChannelRight,
           std::uint64_t hardwareInputs)
    : name(std::move(name)),
      outChannelLeft(outChannelLeft),
      outChannelRight(outChannelRight),
      hardwareInputs(hardwareInputs) {}

User::User(DeepCopyTag, const User& source)
    : name(source.name),
      icon(source.icon),
      mixHide(source.mixHide),
      phaseInvert(source.phaseInvert),
      groups(deepCopy(source.groups)),
      channelSettingsList(deepCopy(source.channelSettingsList)),
      outChannelLeft(source.outChannelLeft),
      outChannelRight(source.outChannelRight),
      masterPeakGaindB(source.masterPeakGaindB),
      channelPeakGaindB(source.channelPeakGaindB),
      outputLeveldB(source.outputLeveldB),
      mode(source.mode),
      useTracking(source.useTracking),
      tracker(source.tracker),
      sType(source.sType),
      bType(source.bType),
      hardwareInputs(source.hardwareInputs) {}

std::shared_ptr<User> User::fromXml(const ZRXMLElementPtr& xml) {
  auto user = std::make_shared<User>("", 0, 0, 128);
  user->decode(xml);
  return user;
}

void User::decode(const ZRXMLElementPtr& xml) {
  const ZRXMLElement& e = *xml;
  readIfPresent(e, "Name", name, &ZRXMLElement::stringAttribute);
  readIfPresent(e, "Icon", icon, &ZRXMLElement::stringAttribute);
  readIfPresent(e, "MixHide", mixHide, &ZRXMLElement::rawValueAttribute<Hide>);
  readIfPresent(e, "PhaseInvert", phaseInvert, &ZRXMLElement::boolAttribute);
  readIfPresent(e, "OutChannelLeft", outChannelLeft, &ZRXMLElement::uintAttribute);
  readIfPresent(e, "OutChannelRight", outChannelRight, &ZRXMLElement::uintAttribute);
  readIfPresent(e, "MasterPeakGaindB", masterPeakGaindB, &ZRXMLElement::doubleAttribute);
  readIfPresent(e, "ChannelPeakGaindB", channelPeakGaindB, &ZRXMLElement::doubleAttribute);
  readIfPresent(e, "OutputLeveldB", outputLeveldB, &ZRXMLElement::doubleAttribute);
  readIfPresent(e, "Mode", mode, &ZRXMLElement::rawValueAttribute<RenderMode>);
  readIfPresent(e, "UseTracking", useTracking, &ZRXMLElement::boolAttribute);
  readIfPresent(e, "Tracker", tracker, &ZRXMLElement::stringAttribute);
  readIfPresent(e, "SType", sType, &ZRXMLElement::rawValueAttribute<StereoType>);
  readIfPresent(e, "BType", bType, &ZRXMLElement::rawValueAttribute<BinauralType>);
  readIfPresent(e, "HardwareInputs", hardwareInputs, &ZRXMLElement::uintAttribute);
  if (const ZRXMLElementPtr groupsXml = e.firstChild("Groups"))
    Group::decodeList(groups, groupsXml);
  if (const ZRXMLElementPtr listXml = e.firstChild("ChannelSettingsList"))
    channelSettingsList->decode(listXml);
}

void User::encode(const ZRXMLElementPtr& xml) const {
  auto& attributes = xml->attributes;
  attributes.insert_or_assign("Name", name);
  attributes.insert_or_assign("Icon", icon);
  attributes.insert_or_assign("MixHide", rawText(mixHide));
  attributes.insert_or_assign("PhaseInvert", boolText(phaseInvert));
  attributes.insert_or_assign("OutChannelLeft", decimalText(outChannelLeft));
  attributes.insert_or_assign("OutChannelRight", decimalText(outChannelRight));
  attributes.insert_or_assign("MasterPeakGaindB", doubleText(masterPeakGaindB));
  attributes.insert_or_assign("ChannelPeakGaindB", doubleText(channelPeakGaindB));
  attributes.insert_or_assign("OutputLeveldB", doubleText(outputLeveldB));
  attributes.insert_or_assign("Mode", rawText(mode));
  attributes.insert_or_assign("UseTracking", boolText(useTracking));
  attributes.insert_or_assign("Tracker", tracker);
  attributes.insert_or_assign("SType", rawText(sType));
  attributes.insert_or_assign("BType", rawText(bType));
  attributes.insert_or_assign("HardwareInputs", decimalText(hardwareInputs));
  const ZRXMLElementPtr groupsXml = xml->firstChild("Groups");
  // The error names "User" whatever the element is called: callers match on that text.
  if (!groupsXml) throw ZRXMLDecodingError::childNotFound("User", "Groups");
  Group::encodeList(groups, groupsXml);
  channelSettingsList->encode(xml);
}

void User::encodeList(const std::vector<std::shared_ptr<User>>& users, const ZRXMLElementPtr& xml) {
  const ZRXMLElement::Children old = children(xml->children, "User");
  ZRXMLElement::Children written;
  written.reserve(users.size());
  for (std::size_t i = 0; i < users.size(); ++i) {
    ZRXMLElementPtr element =
        i < old.size() ? old[i]->deepCopy() : std::make_shared<ZRXMLElement>("User");
    users[i]->encode(element);
    written.push_back(std::move(element));
  }
  replaceChildren(*xml, "User", std::move(written));
}

}  // namespace device
