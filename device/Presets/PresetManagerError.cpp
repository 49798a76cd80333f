#include "device/Presets/PresetManagerError.h"

namespace device {

const std::string& PresetManagerError::description() const noexcept {
  static const std::string texts[] = {
      "The operation couldn\u2019t be completed. (PresetManagerError error 0.)",
      "The operation couldn\u2019t be completed. (PresetManagerError error 1.)",
      "The operation couldn\u2019t be completed. (PresetManagerError error 2.)",
      "The operation couldn\u2019t be completed. (PresetManagerError error 3.)",
      "The operation couldn\u2019t be completed. (PresetManagerError error 4.)",
  };
  return texts[static_cast<int>(case_)];
}

}  // namespace device
