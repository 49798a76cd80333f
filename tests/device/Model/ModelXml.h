#pragma once
// Small helpers for the model tests: documents from text, and the text of the decoding error an
// operation throws.

#include <functional>
#include <string>
#include <string_view>

#include "device/XML/ZRXMLDecodingError.h"
#include "device/XML/ZRXMLParser.h"

namespace modeltest {

inline device::ZRXMLElementPtr parse(std::string_view text) { return device::ZRXMLParser::parseDocument(text); }

// The description of the ZRXMLDecodingError that `operation` throws, or "no error".
inline std::string errorOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const device::ZRXMLDecodingError& error) {
    return error.description();
  }
  return "no error";
}

}  // namespace modeltest
