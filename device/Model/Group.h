#pragma once
// One channel group of a user's mix: a numbered, named set that channels refer to by number
// (ChannelSettings::groupID), shown with an icon and a colour. In a document a group is one
// "Group" element of a user's "Groups" child, with the attributes "ID", "Name", "Icon" and
// "Colour".
//
// A reference type held through std::shared_ptr by its User. No locking: used under the
// serialisation of whoever owns the user.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/Model/Color.h"
#include "device/Model/DeepCopyable.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class Group {
 public:
  std::int64_t id;
  std::string name;
  std::string icon = "inst_x1";
  Color colour = Color::firstPaletteColor();

  Group(std::int64_t id, std::string name, std::string icon, Color colour);
  // The default icon and colour.
  Group(std::int64_t id, std::string name);
  // Every field of the source; the fields are plain values.
  Group(DeepCopyTag, const Group& source);

  // A group read from a group element: "ID" and "Name" first, then decode. Throws
  // ZRXMLDecodingError; no group results then.
  static std::shared_ptr<Group> fromXml(const ZRXMLElementPtr& xml);

  // Reads "ID", "Name", "Icon" and "Colour" in that order, each required; a "Colour" that is no
  // hexadecimal colour leaves the colour unchanged without an error. Throws ZRXMLDecodingError;
  // the fields read before the failing one keep their new values. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Sets the four attributes; the element's other attributes and children stay.
  void encode(const ZRXMLElementPtr& xml) const;

  // Rewrites the "Group" children of a "Groups" element from `groups`, reusing each old element
  // with the group's "ID" at most once (see ListCoding.h).
  static void encodeList(const std::vector<std::shared_ptr<Group>>& groups,
                         const ZRXMLElementPtr& xml);
  // Merges the "Group" children of a "Groups" element into `groups` by "ID" (see ListCoding.h).
  static void decodeList(std::vector<std::shared_ptr<Group>>& groups, const ZRXMLElementPtr& xml);
};

template <>
inline constexpr bool enableVeltoXmlCodable<Group> = true;
template <>
inline constexpr bool enableVeltoXmlArrayCodable<Group> = true;

}  // namespace device
