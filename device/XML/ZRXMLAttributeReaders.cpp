// The typed attribute readers of ZRXMLElement.
#include <algorithm>

#include "device/XML/ZRXMLElement.h"

namespace device {
namespace {

bool equalsLowercased(std::string_view text, std::string_view lowerWord) {
  return std::equal(text.begin(), text.end(), lowerWord.begin(), lowerWord.end(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

}  // namespace

void ZRXMLElement::throwConversion(std::string_view attribute, std::string value) const {
  throw ZRXMLDecodingError::attributeValueConversion(elementName, std::string(attribute),
                                                     std::move(value));
}

const std::string& ZRXMLElement::stringAttribute(std::string_view name) const {
  const auto found = attributes.find(name);
  if (found == attributes.end()) {
    throw ZRXMLDecodingError::attributeNotFound(elementName, std::string(name));
  }
  return found->second;
}

bool ZRXMLElement::boolAttribute(std::string_view name) const {
  const std::string& text = stringAttribute(name);
  if (text == "1" || equalsLowercased(text, "yes") || equalsLowercased(text, "true")) return true;
  if (text == "0" || equalsLowercased(text, "no") || equalsLowercased(text, "false")) return false;
  throwConversion(name, text);
}

std::int64_t ZRXMLElement::intAttribute(std::string_view name) const {
  const std::string& text = stringAttribute(name);
  if (const auto value = platform::parseInt64(text)) return *value;
  throwConversion(name, text);
}

std::uint64_t ZRXMLElement::uintAttribute(std::string_view name) const {
  const std::string& text = stringAttribute(name);
  if (const auto value = platform::parseUInt64(text)) return *value;
  throwConversion(name, text);
}

float ZRXMLElement::floatAttribute(std::string_view name) const {
  const std::string& text = stringAttribute(name);
  if (const auto value = platform::parseFloat(text)) return *value;
  throwConversion(name, text);
}

double ZRXMLElement::doubleAttribute(std::string_view name) const {
  const std::string& text = stringAttribute(name);
  if (const auto value = platform::parseDouble(text)) return *value;
  throwConversion(name, text);
}

}  // namespace device
