#include "device/XML/ZRXMLEncodingError.h"

namespace device {

const std::string& ZRXMLEncodingError::description() const noexcept {
  static const std::string text = "The preset document could not be written: its text is not valid UTF-8.";
  return text;
}

}  // namespace device
