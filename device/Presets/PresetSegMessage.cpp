#include "device/Presets/PresetSegMessage.h"

namespace device {

std::optional<PresetSegMessage> PresetSegMessage::make(const osc::OSCMessage& message) {
  const auto& values = message.values();
  if (values.size() != 6) return std::nullopt;
  const auto name = values[0].asString();
  const auto bytes = values[1].asBlob();
  const auto index = values[2].asInt32();
  const auto count = values[3].asInt32();
  const auto deviceName = values[4].asString();
  const auto deviceUid = values[5].asString();
  if (!name || !bytes || !index || !count || !deviceName || !deviceUid) return std::nullopt;
  return PresetSegMessage{std::string(*name), std::vector<std::uint8_t>(bytes->begin(), bytes->end()),
                          *index, *count, std::string(*deviceName), std::string(*deviceUid)};
}

}  // namespace device
