#pragma once
// The two list rules of the documents' repeated child elements (groups, channels, channel-map
// entries).
//
// Reading merges: each child element updates, with the object's decode, the first object with its
// key that no earlier child has updated; without one, a new object made by T::fromXml is appended.
// Objects appended during the read are never matched, and objects no child matches stay where
// they are. A child whose key does not read matches nothing. The first error ends reading; the
// objects updated or appended before it keep their changes.
//
// Writing rewrites the children of one name: each object takes the first old element with its key
// that no earlier object has taken (so no element is written twice when keys repeat), or else a
// new empty element, and encodes itself into it. Every attribute and child the model does not know
// survives in a reused element. The rewritten elements follow the parent's other children, in
// object order; old elements no object takes are dropped.
//
// Keys are found through hash maps, so a document with many children costs linear time. Plain
// functions: the caller serialises access to the objects and the tree.

#include <cstddef>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "device/XML/ZRXMLElement.h"

namespace device {

// Removes the children named `name` and appends `replacement` after the remaining children, whose
// order is kept.
inline void replaceChildren(ZRXMLElement& parent, std::string_view name,
                            ZRXMLElement::Children replacement) {
  std::erase_if(parent.children,
                [name](const ZRXMLElementPtr& child) { return child->elementName == name; });
  parent.children.insert(parent.children.end(), std::make_move_iterator(replacement.begin()),
                         std::make_move_iterator(replacement.end()));
}

// Both rules take the key attribute's name with the typed reader of its text (such as
// &ZRXMLElement::uintAttribute), and the object's key (a data member pointer such as
// &Group::id, or any callable on `const T&`).

template <typename T, typename Read, typename ObjectKey>
void mergeList(std::vector<std::shared_ptr<T>>& objects, const ZRXMLElement::Children& elements,
               std::string_view keyAttribute, Read read, ObjectKey objectKey) {
  using Key = std::remove_cvref_t<std::invoke_result_t<ObjectKey&, const T&>>;
  // The objects not matched yet, by key; each stack holds the first in list order on top.
  std::unordered_map<Key, std::vector<std::size_t>> unmatched;
  for (std::size_t i = objects.size(); i-- > 0;)
    unmatched[std::invoke(objectKey, *objects[i])].push_back(i);
  for (const auto& element : elements) {
    const std::optional<Key> key = optionalAttribute(*element, keyAttribute, read);
    const auto found = key ? unmatched.find(*key) : unmatched.end();
    if (found != unmatched.end() && !found->second.empty()) {
      objects[found->second.back()]->decode(element);
      found->second.pop_back();
    } else {
      objects.push_back(T::fromXml(element));
    }
  }
}

template <typename T, typename Read, typename ObjectKey>
void rewriteList(ZRXMLElement& parent, std::string_view name,
                 const std::vector<std::shared_ptr<T>>& objects, std::string_view keyAttribute,
                 Read read, ObjectKey objectKey) {
  using Key = std::remove_cvref_t<std::invoke_result_t<ObjectKey&, const T&>>;
  // The old elements not taken yet, by key; each stack holds the first in document order on top.
  std::unordered_map<Key, std::vector<ZRXMLElementPtr>> old;
  for (auto child = parent.children.rbegin(); child != parent.children.rend(); ++child) {
    if ((*child)->elementName != name) continue;
    if (const std::optional<Key> key = optionalAttribute(**child, keyAttribute, read))
      old[*key].push_back(*child);
  }
  ZRXMLElement::Children written;
  written.reserve(objects.size());
  for (const auto& object : objects) {
    ZRXMLElementPtr element;
    const auto found = old.find(std::invoke(objectKey, *object));
    if (found != old.end() && !found->second.empty()) {
      element = std::move(found->second.back());
      found->second.pop_back();
    } else {
      element = std::make_shared<ZRXMLElement>(std::string(name));
    }
    object->encode(element);
    written.push_back(std::move(element));
  }
  replaceChildren(parent, name, std::move(written));
}

}  // namespace device
