#include "device/Model/ChannelSettings.h"

#include <utility>

#include "device/Model/AttributeText.h"

namespace device {

ChannelSettings::ChannelSettings(std::uint64_t inputChannel, std::uint64_t index, std::string name,
                                 std::uint64_t groupID)
    : inputChannel(inputChannel), index(index), name(std::move(name)), groupID(groupID) {}

ChannelSettings::ChannelSettings(DeepCopyTag, const ChannelSettings& source)
    : inputChannel(source.inputChannel),
      index(source.index),
      name(source.name),
      icon(source.icon),
      color(source.color),
      visible(source.visible),
      linkedStereoChannel(source.linkedStereoChannel),
      hide(source.hide),
      channelMode(source.channelMode),
      solo(source.solo),
      mute(source.mute),
      groupID(source.groupID) {
  setTone(source.tone());
  setMorph(source.morph());
  setR(source.r());
  setTheta(source.theta());
  setPhi(source.phi());
  setWidthOffset(source.widthOffset());
  setChannelGaindB(source.channelGaindB());
}

std::shared_ptr<ChannelSettings> ChannelSettings::fromXml(const ZRXMLElementPtr& xml) {
  const std::uint64_t inputChannel = xml->uintAttribute("InputChannel");
  const std::uint64_t index = xml->uintAttribute("Index");
  auto channel =
      std::make_shared<ChannelSettings>(inputChannel, index, xml->stringAttribute("Name"), 0);
  channel->decode(xml);
  return channel;
}

void ChannelSettings::decode(const ZRXMLElementPtr& xml) {
  const ZRXMLElement& e = *xml;
  inputChannel = e.uintAttribute("InputChannel");
  index = e.uintAttribute("Index");
  name = e.stringAttribute("Name");
  icon = e.stringAttribute("Icon");
  if (const auto read = Color::fromArgbHex(e.stringAttribute("Color"))) color = *read;
  visible = e.boolAttribute("Visible");
  linkedStereoChannel = e.intAttribute("LinkedStereoChannel");
  if (const auto read = optionalAttribute(e, "Hide", &ZRXMLElement::rawValueAttribute<Hide>))
    hide = *read;
  if (const auto read = optionalAttribute(e, "Tone", &ZRXMLElement::doubleAttribute))
    setTone(*read);
  if (const auto read = optionalAttribute(e, "Morph", &ZRXMLElement::doubleAttribute))
    setMorph(*read);
  setR(e.doubleAttribute("R"));
  setTheta(e.doubleAttribute("Theta"));
  setPhi(e.doubleAttribute("Phi"));
  setWidthOffset(e.doubleAttribute("WidthOffset"));
  channelMode = e.rawValueAttribute<RenderMode>("ChannelMode");
  setChannelGaindB(e.doubleAttribute("ChannelGaindB"));
  solo = e.boolAttribute("Solo");
  mute = e.boolAttribute("Mute");
  groupID = e.uintAttribute("GroupID");
}

void ChannelSettings::encode(const ZRXMLElementPtr& xml) const {
  auto& attributes = xml->attributes;
  attributes.insert_or_assign("InputChannel", decimalText(inputChannel));
  attributes.insert_or_assign("Index", decimalText(index));
  attributes.insert_or_assign("Name", name);
  attributes.insert_or_assign("Icon", icon);
  attributes.insert_or_assign("Color", color.argbHex());
  attributes.insert_or_assign("Visible", boolText(visible));
  attributes.insert_or_assign("LinkedStereoChannel", decimalText(linkedStereoChannel));
  attributes.insert_or_assign("Hide", rawText(hide));
  attributes.insert_or_assign("R", doubleText(r()));
  attributes.insert_or_assign("Theta", doubleText(theta()));
  attributes.insert_or_assign("Phi", doubleText(phi()));
  attributes.insert_or_assign("WidthOffset", doubleText(widthOffset()));
  attributes.insert_or_assign("ChannelMode", rawText(channelMode));
  attributes.insert_or_assign("ChannelGaindB", doubleText(channelGaindB()));
  attributes.insert_or_assign("Solo", boolText(solo));
  attributes.insert_or_assign("Mute", boolText(mute));
  attributes.insert_or_assign("GroupID", decimalText(groupID));
}

double ChannelSettings::elevation() const { return 90 - theta() * 180 / pi; }
void ChannelSettings::setElevation(double degrees) { setTheta((90 - degrees) * pi / 180); }
double ChannelSettings::azimuth() const { return phi() * 180 / pi; }
void ChannelSettings::setAzimuth(double degrees) { setPhi(degrees * pi / 180); }

}  // namespace device
