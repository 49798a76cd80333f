#include "device/Clients/VeltoClientError.h"

namespace device {

namespace {

// The sentence of a case; `text` is what the error carries (empty when it carries nothing).
std::string describe(VeltoClientError::Case c, const std::string& text) {
  using Case = VeltoClientError::Case;
  const auto withText = [&text](std::string sentence) {
    return text.empty() ? sentence + "." : sentence + ": " + text;
  };
  const auto naming = [&text](std::string sentence) {
    return (text.empty() ? sentence : sentence + " \u201c" + text + "\u201d") + ".";
  };
  switch (c) {
    case Case::presetSelectFailed: return withText("The device did not load the preset");
    case Case::deviceIsOffline: return "The device is offline.";
    case Case::connectionAlreadyStarted: return "The connection to the device is already started.";
    case Case::failedReceivingUserInfo: return "The device did not send its user information.";
    case Case::noMatchingConfirmationReceived: return "The device did not confirm the operation.";
    case Case::presetDeleteFailed: return naming("The device did not delete the preset");
    case Case::presetSaveFailed: return naming("The device did not save the preset");
    case Case::unsupportedDeviceType: return "The device's type is not supported.";
    case Case::unknownDeviceType: return "The device's type is unknown.";
    case Case::actionUnsupportedByDevice: return "The device does not support this action.";
  }
  return "The device operation failed.";
}

}  // namespace

VeltoClientError::VeltoClientError(Case c, std::string text)
    : case_(c), text_(std::move(text)), description_(describe(case_, text_)) {}

}  // namespace device
