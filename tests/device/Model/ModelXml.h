#pragma once
// Helpers for the model tests: documents from text, the decoding error an operation throws and
// the texts of such errors, a complete channel element.

#include <functional>
#include <memory>
#include <optional>
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

}  // namespace modeltest
