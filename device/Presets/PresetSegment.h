#pragma once
// One received segment of a preset, keyed for reassembly by the device's uid and the preset's
// name without extension. A value type; any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "device/Presets/PresetSegMessage.h"
#include "osc/OSCEndpoint.h"

namespace device {

struct PresetSegment {
  std::string presetName;  // without extension: "Show.vup" is gathered as "Show"
  std::vector<std::uint8_t> bytes;
  std::int64_t index = 0;
  std::int64_t totalCount = 0;
  std::string clientName;  // the device's name
  std::string clientUid;   // the device's uid
  osc::DispatchTime received{};

  // The segment of a received message: the name loses its last extension and that dot (path rules
  // of platform/PathRules.h), the numbers are widened.
  static PresetSegment fromMessage(const PresetSegMessage& message, osc::DispatchTime received);

  // "PresetSegment 1/3 1000 bytes from Name:uid for Show"
  std::string description() const;
};

}  // namespace device
