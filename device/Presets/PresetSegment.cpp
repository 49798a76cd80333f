#include "device/Presets/PresetSegment.h"

#include "platform/PathRules.h"

namespace device {

PresetSegment PresetSegment::fromMessage(const PresetSegMessage& message, osc::DispatchTime received) {
  return PresetSegment{std::string(platform::deletingPathExtension(message.presetName)),
                       message.segData,
                       message.segIndex,
                       message.segCount,
                       message.deviceName,
                       message.deviceUid,
                       received};
}

std::string PresetSegment::description() const {
  return "PresetSegment " + std::to_string(index) + "/" + std::to_string(totalCount) + " " +
         std::to_string(bytes.size()) + " bytes from " + clientName + ":" + clientUid + " for " + presetName;
}

}  // namespace device
