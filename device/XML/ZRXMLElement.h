#pragma once
// One node of an XML document tree: the element's name, its optional text, its attributes and its
// child elements in document order. Documents received from devices or kept on disk are held as
// such trees; model types read their fields out of them and write changes back in place, and
// xmlString() writes the tree out again, byte for byte as devices and stored files expect.
//
// A reference type: hold nodes through std::shared_ptr (ZRXMLElementPtr); children are shared the
// same way. No locking: a tree is used by one thread at a time, its owner serialising access.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "device/XML/RawValue.h"
#include "device/XML/ZRXMLAttributes.h"
#include "device/XML/ZRXMLDecodingError.h"
#include "platform/NumberText.h"

namespace device {

class ZRXMLElement;
using ZRXMLElementPtr = std::shared_ptr<ZRXMLElement>;

class ZRXMLElement {
 public:
  // Sorted by name in byte order (code-point order for UTF-8), the order in which they are written.
  using Attributes = ZRXMLAttributes;
  using Children = std::vector<ZRXMLElementPtr>;

  std::string elementName;
  std::optional<std::string> stringValue;  // absent when the element has no text
  Attributes attributes;
  Children children;  // never holds null pointers

  explicit ZRXMLElement(std::string elementName, std::optional<std::string> stringValue = std::nullopt,
                        Attributes attributes = {}, Children children = {});

  // The element and its subtree as text, indented by `depth` tabs; no line feed after the last
  // closing tag. Attribute values are escaped (& " ' < >, and TAB LF CR as character references);
  // text values escape "&", "<", CR and a ">" that follows "]]", so that what is written reads
  // back unchanged. Names are written unchanged.
  std::string xmlString(std::size_t depth = 0) const;
  // As xmlString, appended to `out` (lets a writer put a declaration in front without a copy).
  void appendXmlString(std::string& out, std::size_t depth = 0) const;

  // A new tree with the same names, texts and attributes that shares no node with this one.
  // Recursive: trees read by ZRXMLParser are bounded by its depth limit.
  ZRXMLElementPtr deepCopy() const;

  // A one-line debugging text; never parsed.
  std::string description() const;

  // True when elementName is `name` and the attribute `attribute` exists with the text `value`.
  bool matches(std::string_view name, std::string_view attribute, std::string_view value) const;
  // The first child named `name`, or null.
  ZRXMLElementPtr firstChild(std::string_view name) const;

  // Typed attribute readers. Each looks the attribute up (missing: attributeNotFound with this
  // element's name) and converts the whole text, never trimmed (failure: attributeValueConversion
  // with the text). Number text is read independently of the process locale.
  const std::string& stringAttribute(std::string_view name) const;
  // "1", then "yes"/"true" in any case, give true; "0", then "no"/"false" in any case, give false.
  bool boolAttribute(std::string_view name) const;
  // Decimal: optional "+" or "-", digits only, must fit.
  std::int64_t intAttribute(std::string_view name) const;
  // As intAttribute, unsigned; "-0" reads as 0.
  std::uint64_t uintAttribute(std::string_view name) const;
  // strtof's grammar on the whole text, read directly to single precision.
  float floatAttribute(std::string_view name) const;
  // strtod's grammar on the whole text.
  double doubleAttribute(std::string_view name) const;
  // An enumeration by its raw value. Integer-coded: the text is read as intAttribute; a number
  // that is no case fails reporting the number's decimal text ("+07" reports "7"). Text-coded:
  // the text must equal a case's raw text exactly.
  template <typename E>
    requires IntegerCoded<E> || TextCoded<E>
  E rawValueAttribute(std::string_view name) const;

 private:
  [[noreturn]] void throwConversion(std::string_view attribute, std::string value) const;
};

// The elements of `list` whose elementName is `named`, in list order.
ZRXMLElement::Children children(const ZRXMLElement::Children& list, std::string_view named);

// The first element of `list` for which `predicate` holds, or null. An exception thrown by the
// predicate passes through to the caller.
template <typename Predicate>
ZRXMLElementPtr firstMatch(const ZRXMLElement::Children& list, Predicate&& predicate) {
  for (const auto& element : list) {
    if (std::invoke(predicate, *element)) return element;
  }
  return nullptr;
}

// The attribute `name` of `element` read with `read`, a typed reader such as
// &ZRXMLElement::uintAttribute; no value when the attribute is missing or its text does not convert.
// For fields that a document may omit or carry in a form this system does not know.
template <typename Read>
auto optionalAttribute(const ZRXMLElement& element, std::string_view name, Read&& read)
    -> std::optional<std::remove_cvref_t<std::invoke_result_t<Read, const ZRXMLElement&, std::string_view>>> {
  if (!element.attributes.contains(name)) return std::nullopt;
  try {
    return std::invoke(read, element, name);
  } catch (const ZRXMLDecodingError&) {
    return std::nullopt;
  }
}

template <typename E>
  requires IntegerCoded<E> || TextCoded<E>
E ZRXMLElement::rawValueAttribute(std::string_view name) const {
  const std::string& text = stringAttribute(name);
  if constexpr (IntegerCoded<E>) {
    const auto number = platform::parseInt64(text);
    if (!number) throwConversion(name, text);
    if (auto value = fromRawValue<E>(*number)) return *value;
    throwConversion(name, std::to_string(*number));
  } else {
    if (auto value = fromRawValue<E>(text)) return *value;
    throwConversion(name, text);
  }
}

}  // namespace device
