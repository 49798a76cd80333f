#include "device/XML/ZRXMLDecodingError.h"

#include <utility>

namespace device {

ZRXMLDecodingError::ZRXMLDecodingError(Case errorCase, std::string element, std::string attribute,
                                       std::string value, std::string child)
    : case_(errorCase),
      element_(std::move(element)),
      attribute_(std::move(attribute)),
      value_(std::move(value)),
      child_(std::move(child)) {
  switch (case_) {
    case Case::attributeValueConversion:
      description_ = "value \"" + value_ + "\" of attribute " + element_ + "." + attribute_ +
                     " could not be converted to the expected type.";
      break;
    case Case::attributeNotFound:
      description_ = "attribute \"" + attribute_ + "\" not found for \"" + element_ + "\"";
      break;
    case Case::childNotFound:
      description_ = element_ + " does not contain child \"" + child_ + "\"";
      break;
  }
}

ZRXMLDecodingError ZRXMLDecodingError::attributeValueConversion(std::string element,
                                                                std::string attribute,
                                                                std::string value) {
  return {Case::attributeValueConversion, std::move(element), std::move(attribute),
          std::move(value), {}};
}

ZRXMLDecodingError ZRXMLDecodingError::attributeNotFound(std::string element, std::string attribute) {
  return {Case::attributeNotFound, std::move(element), std::move(attribute), {}, {}};
}

ZRXMLDecodingError ZRXMLDecodingError::childNotFound(std::string element, std::string child) {
  return {Case::childNotFound, std::move(element), {}, {}, std::move(child)};
}

}  // namespace device
