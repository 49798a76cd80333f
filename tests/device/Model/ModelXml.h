#pragma once
// Helpers for the model tests: documents from text, the decoding error an operation throws and
// the texts of such errors, a complete channel element, the unknown parts of a document.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/XML/ZRXMLDecodingError.h"
#include "device/XML/ZRXMLParser.h"

namespace modeltest {

inline device::ZRXMLElementPtr parse(std::string_view text) {
  return device::ZRXMLParser::parseDocument(text);
}

// The description of the ZRXMLDecodingError that `operation` throws, or "" when it throws none.
inline std::string errorOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const device::ZRXMLDecodingError& error) {
    return error.description();
  }
  return "";
}

// The texts of the three decoding errors.
inline std::string badValue(const std::string& value, const std::string& attribute = "VALUE.val") {
  return "value \"" + value + "\" of attribute " + attribute + " could not be converted to the expected type.";
}
inline std::string noAttribute(const std::string& attribute, const std::string& element = "VALUE") {
  return "attribute \"" + attribute + "\" not found for \"" + element + "\"";
}
inline std::string noChild(const std::string& element, const std::string& child) {
  return element + " does not contain child \"" + child + "\"";
}

using Changes = std::vector<std::pair<std::string, std::optional<std::string>>>;

// A complete "ChannelSettings" element with some attributes changed (no value: removed).
inline device::ZRXMLElementPtr channelElement(const Changes& changes = {}) {
  auto xml = parse(
      R"(<ChannelSettings InputChannel="3" Index="2" Name="Vox" Icon="mic" Color="ff0000ff" Visible="0"
      LinkedStereoChannel="4" Hide="0" Tone="0.25" Morph="0.5" R="0.5" Theta="1" Phi="-1" WidthOffset="10"
      ChannelMode="2" ChannelGaindB="-6" Solo="yes" Mute="TRUE" GroupID="5"/>)");
  for (const auto& [name, value] : changes) {
    if (value) {
      xml->attributes.insert_or_assign(name, *value);
    } else {
      xml->attributes.erase(name);
    }
  }
  return xml;
}

// Every unknown or unwritten part, by a path naming list elements by their key ("User" by position).
inline void collectUnknown(const device::ZRXMLElement& element, std::set<std::string>& out,
                           const std::string& path = "") {
  static const std::set<std::string> unwritten = {"Tone", "Morph", "TotalChannels", "SegmentChannels", "LastSeg"};
  static const std::map<std::string, std::string> keyOf = {
      {"Group", "ID"}, {"ChannelSettings", "InputChannel"}, {"Channel", "Local"}};
  if (element.elementName.starts_with("X"))
    out.insert(path + "=" + element.stringValue.value_or(""));
  for (const auto& [name, value] : element.attributes)
    if (name.starts_with("x") || unwritten.contains(name)) out.insert(path + "@" + name + "=" + value);
  std::map<std::string, int> positions;
  for (const auto& child : element.children) {
    const auto key = keyOf.find(child->elementName);
    const std::string id = key != keyOf.end() ? child->attributes.at(key->second)
                                              : std::to_string(positions[child->elementName]++);
    collectUnknown(*child, out, path + "/" + child->elementName + "[" + id + "]");
  }
}

}  // namespace modeltest
