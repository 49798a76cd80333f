#include "device/Presets/PresetSegmentHandlerError.h"

namespace device {

const std::string& PresetSegmentHandlerError::description() const noexcept {
  static const std::string texts[] = {
      "The operation couldn\u2019t be completed. (PresetSegmentHandlerError error 0.)",
      "The operation couldn\u2019t be completed. (PresetSegmentHandlerError error 1.)",
  };
  return texts[static_cast<int>(case_)];
}

}  // namespace device
