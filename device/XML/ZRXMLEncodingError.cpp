#include "device/XML/ZRXMLEncodingError.h"

namespace device {

const std::string& ZRXMLEncodingError::description() const noexcept {
  static const std::string text = "The operation couldn\u2019t be completed. (ZRXMLEncodingError error 0.)";
  return text;
}

}  // namespace device
