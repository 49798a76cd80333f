#include "device/Clients/VeltoAppError.h"

namespace device {

std::string_view caseName(VeltoAppErrorCase kind) {
  return kind == VeltoAppErrorCase::FileNotFound ? "FileNotFound" : "Unkown";
}

VeltoAppError::VeltoAppError(VeltoAppReply reply)
    : reply_(std::move(reply)),
      description_(reply_.description()),
      sentence_(reply_.message.empty() ? "The device reported an error."
                                       : "The device reported an error: " + reply_.message) {}

std::optional<VeltoAppError> VeltoAppError::fromMessage(const osc::OSCMessage& message) {
  auto reply = VeltoAppReply::fromMessage(message);
  if (!reply) return std::nullopt;
  return VeltoAppError(std::move(*reply));
}

VeltoAppError::ErrorType VeltoAppError::classify(std::string_view text) {
  if (text == "File not found.") return VeltoAppErrorCase::FileNotFound;
  return ErrorType::Unkown(std::string(text));
}

}  // namespace device
