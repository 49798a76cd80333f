#pragma once
// One segment of a preset as a device sends it: the message "/VELTOapp/control/PresetSeg" with
// exactly six arguments (string name, blob bytes, int32 index, int32 count, string device name,
// string device uid). A value type; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "osc/OSCMessage.h"

namespace device {

struct PresetSegMessage {
  static constexpr const char* address = "/VELTOapp/control/PresetSeg";

  std::string presetName;  // as the device gives it, extension included
  std::vector<std::uint8_t> segData;
  std::int32_t segIndex = 0;
  std::int32_t segCount = 0;
  std::string deviceName;
  std::string deviceUid;

  // The fields of a message with exactly the six arguments of the right types, in order; no value
  // for any other shape. The address is not looked at (the clients register the handler for it).
  static std::optional<PresetSegMessage> make(const osc::OSCMessage& message);
};

}  // namespace device
