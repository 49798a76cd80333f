#include "device/Model/ChannelSettingsList.h"

#include "device/Model/ListCoding.h"

namespace device {

ChannelSettingsList::ChannelSettingsList(DeepCopyTag, const ChannelSettingsList& source)
    : channelSettings(deepCopy(source.channelSettings)),
      totalChannels(source.totalChannels),
      segmentChannels(source.segmentChannels),
      lastSeg(source.lastSeg) {}

std::shared_ptr<ChannelSettingsList> ChannelSettingsList::fromXml(const ZRXMLElementPtr& xml) {
  auto list = std::make_shared<ChannelSettingsList>();
  list->decode(xml);
  return list;
}

void ChannelSettingsList::decode(const ZRXMLElementPtr& xml) {
  mergeList(channelSettings, children(xml->children, "ChannelSettings"), "InputChannel",
            &ZRXMLElement::uintAttribute, &ChannelSettings::inputChannel);
  totalChannels = xml->uintAttribute("TotalChannels");
  segmentChannels = xml->uintAttribute("SegmentChannels");
  lastSeg = xml->boolAttribute("LastSeg");
}

void ChannelSettingsList::encode(const ZRXMLElementPtr& userXml) const {
  const ZRXMLElementPtr list = userXml->firstChild("ChannelSettingsList");
  if (!list) throw ZRXMLDecodingError::childNotFound(userXml->elementName, "ChannelSettingsList");
  updateChannelSettings(list);
}

void ChannelSettingsList::updateChannelSettings(const ZRXMLElementPtr& xml) const {
  rewriteList(*xml, "ChannelSettings", channelSettings, "InputChannel",
              &ZRXMLElement::uintAttribute, &ChannelSettings::inputChannel);
}

}  // namespace device
