#include "device/Presets/PresetSegmentHandlerError.h"

namespace device {

const std::string& PresetSegmentHandlerError::description() const noexcept {
  static const std::string texts[] = {
      "The preset did not arrive from the device in time.",
      "The transfer of the preset from the device ended before the preset was complete.",
  };
  return texts[static_cast<int>(case_)];
}

}  // namespace device
