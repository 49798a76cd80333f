#pragma once
// The "VALUE" entry form of the settings documents that devices send: each setting is a child
// <VALUE name="key" val="text"/> of the settings element, in any order; other attributes and
// children of an entry are ignored. The first entry with a key wins; a missing entry is never an
// error. Nothing in the system writes this form. Plain functions: callable from any thread that
// may read the tree.

#include <functional>
#include <string_view>

#include "device/XML/ZRXMLElement.h"

namespace device {

// The first child of `settings` named "VALUE" whose "name" is `key`, or null.
ZRXMLElementPtr valueEntry(const ZRXMLElement& settings, std::string_view key);

// Reads the "val" attribute of the entry for `key` into `field` with `read`, a typed reader such as
// &ZRXMLElement::intAttribute (called as read(entry, "val")). Without an entry the field keeps its
// value and false is returned. A missing "val" or a text that does not convert throws the
// reader's ZRXMLDecodingError, element "VALUE", attribute "val"; the field is then unchanged.
template <typename Field, typename Read>
bool readValueEntry(const ZRXMLElement& settings, std::string_view key, Field& field, Read&& read) {
  const ZRXMLElementPtr entry = valueEntry(settings, key);
  if (!entry) return false;
  field = std::invoke(read, *entry, std::string_view("val"));
  return true;
}

}  // namespace device
