#include "device/Clients/VeltoAppReply.h"

namespace device {

std::optional<VeltoAppReply> VeltoAppReply::fromMessage(const osc::OSCMessage& message) {
  const auto& values = message.values();
  if (values.size() != 3) return std::nullopt;
  const auto text = values[0].asString();
  const auto code = values[1].asInt32();
  const auto uid = values[2].asString();
  if (!text || !code || !uid) return std::nullopt;
  return VeltoAppReply{std::string(*text), *code, std::string(*uid)};
}

std::string VeltoAppReply::description() const { return message + " - " + std::to_string(code) + "@" + uid; }

}  // namespace device
