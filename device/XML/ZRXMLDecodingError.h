#pragma once
// The error of every model decoder: an attribute whose text does not convert, a missing attribute,
// or a missing required child element. A plain value; copy it freely across threads.

#include <exception>
#include <string>

namespace device {

class ZRXMLDecodingError : public std::exception {
 public:
  enum class Case { attributeValueConversion, attributeNotFound, childNotFound };

  // "value" is the offending text.
  static ZRXMLDecodingError attributeValueConversion(std::string element, std::string attribute,
                                                     std::string value);
  static ZRXMLDecodingError attributeNotFound(std::string element, std::string attribute);
  static ZRXMLDecodingError childNotFound(std::string element, std::string child);

  Case errorCase() const noexcept { return case_; }
  // The elementName of the element that was asked.
  const std::string& element() const noexcept { return element_; }
  // The attribute name (empty for childNotFound).
  const std::string& attribute() const noexcept { return attribute_; }
  // The offending text (attributeValueConversion only).
  const std::string& value() const noexcept { return value_; }
  // The missing child's name (childNotFound only).
  const std::string& child() const noexcept { return child_; }

  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  friend bool operator==(const ZRXMLDecodingError& a, const ZRXMLDecodingError& b) noexcept {
    return a.case_ == b.case_ && a.element_ == b.element_ && a.attribute_ == b.attribute_ &&
           a.value_ == b.value_ && a.child_ == b.child_;
  }

 private:
  ZRXMLDecodingError(Case errorCase, std::string element, std::string attribute, std::string value,
                     std::string child);

  Case case_;
  std::string element_;
  std::string attribute_;
  std::string value_;
  std::string child_;
  std::string description_;
};

}  // namespace device
