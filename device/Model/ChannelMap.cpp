#include "device/Model/ChannelMap.h"

#include "device/Model/AttributeText.h"
#include "device/Model/ListCoding.h"

namespace device {

ChannelMap::ChannelMap(std::uint64_t local, std::uint64_t remote) : local(local), remote(remote) {}

ChannelMap::ChannelMap(DeepCopyTag, const ChannelMap& source)
    : local(source.local), remote(source.remote) {}

std::shared_ptr<ChannelMap> ChannelMap::fromXml(const ZRXMLElementPtr& xml) {
  const std::uint64_t local = xml->uintAttribute("Local");
  return std::make_shared<ChannelMap>(local, xml->uintAttribute("Remote"));
}

void ChannelMap::decode(const ZRXMLElementPtr& xml) {
  local = xml->uintAttribute("Local");
  remote = xml->uintAttribute("Remote");
}

void ChannelMap::encode(const ZRXMLElementPtr& xml) const {
  xml->attributes.insert_or_assign("Local", decimalText(local));
  xml->attributes.insert_or_assign("Remote", decimalText(remote));
}

std::string ChannelMap::description() const {
  return decimalText(local) + " -> " + decimalText(remote);
}

void ChannelMap::decodeList(std::vector<std::shared_ptr<ChannelMap>>& map,
                            const ZRXMLElementPtr& xml) {
  mergeList(map, children(xml->children, "Channel"), "Local", &ZRXMLElement::uintAttribute,
            &ChannelMap::local);
}

void ChannelMap::encodeList(const std::vector<std::shared_ptr<ChannelMap>>& map,
                            const ZRXMLElementPtr& xml) {
  rewriteList(*xml, "Channel", map, "Local", &ZRXMLElement::uintAttribute, &ChannelMap::local);
}

}  // namespace device
