#include "device/Model/Group.h"

#include <utility>

#include "device/Model/AttributeText.h"
#include "device/Model/ListCoding.h"

namespace device {

Group::Group(std::int64_t id, std::string name, std::string icon, Color colour)
    : id(id), name(std::move(name)), icon(std::move(icon)), colour(colour) {}

Group::Group(std::int64_t id, std::string name) : id(id), name(std::move(name)) {}

Group::Group(DeepCopyTag, const Group& source)
    : id(source.id), name(source.name), icon(source.icon), colour(source.colour) {}

std::shared_ptr<Group> Group::fromXml(const ZRXMLElementPtr& xml) {
  const std::int64_t id = xml->intAttribute("ID");  // before "Name": its error comes first
  auto group = std::make_shared<Group>(id, xml->stringAttribute("Name"));
  group->decode(xml);
  return group;
}

void Group::decode(const ZRXMLElementPtr& xml) {
  id = xml->intAttribute("ID");
  name = xml->stringAttribute("Name");
  icon = xml->stringAttribute("Icon");
  if (const auto read = Color::fromArgbHex(xml->stringAttribute("Colour"))) colour = *read;
}

void Group::encode(const ZRXMLElementPtr& xml) const {
  auto& attributes = xml->attributes;
  attributes.insert_or_assign("ID", decimalText(id));
  attributes.insert_or_assign("Name", name);
  attributes.insert_or_assign("Icon", icon);
  attributes.insert_or_assign("Colour", colour.argbHex());
}

void Group::encodeList(const std::vector<std::shared_ptr<Group>>& groups,
                       const ZRXMLElementPtr& xml) {
  rewriteList(*xml, "Group", groups, "ID", &ZRXMLElement::intAttribute, &Group::id);
}

void Group::decodeList(std::vector<std::shared_ptr<Group>>& groups, const ZRXMLElementPtr& xml) {
  mergeList(groups, children(xml->children, "Group"), "ID", &ZRXMLElement::intAttribute,
            &Group::id);
}

}  // namespace device
