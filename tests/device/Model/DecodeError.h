#pragma once
// The description of the ZRXMLDecodingError that `decode` throws, or "" when it throws none.

#include <string>

#include "device/XML/ZRXMLDecodingError.h"

namespace testsupport {

template <typename Decode>
std::string decodeError(Decode&& decode) {
  try {
    decode();
  } catch (const device::ZRXMLDecodingError& error) {
    return error.description();
  }
  return "";
}

}  // namespace testsupport
