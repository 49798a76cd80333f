#pragma once
// The error of every device client operation. One case each; presetSelectFailed carries the
// device's answer, presetSaveFailed and presetDeleteFailed may carry the preset's name.
// description() is a sentence that says what failed and includes that text ("The device did not
// load the preset: ERROR: busy", "The device is offline."). Plain value; any thread.

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace device {

class VeltoClientError : public std::exception {
 public:
  enum class Case {
    presetSelectFailed,
    deviceIsOffline,
    connectionAlreadyStarted,
    failedReceivingUserInfo,
    noMatchingConfirmationReceived,
    presetDeleteFailed,
    presetSaveFailed,
    unsupportedDeviceType,
    unknownDeviceType,
    actionUnsupportedByDevice,
  };

  static VeltoClientError presetSelectFailed(std::string text) { return VeltoClientError(Case::presetSelectFailed, std::move(text)); }
  static VeltoClientError deviceIsOffline() { return VeltoClientError(Case::deviceIsOffline); }
  static VeltoClientError connectionAlreadyStarted() { return VeltoClientError(Case::connectionAlreadyStarted); }
  static VeltoClientError failedReceivingUserInfo() { return VeltoClientError(Case::failedReceivingUserInfo); }
  static VeltoClientError noMatchingConfirmationReceived() {
    return VeltoClientError(Case::noMatchingConfirmationReceived);
  }
  static VeltoClientError presetDeleteFailed(std::string presetName = {}) {
    return VeltoClientError(Case::presetDeleteFailed, std::move(presetName));
  }
  static VeltoClientError presetSaveFailed(std::string presetName = {}) {
    return VeltoClientError(Case::presetSaveFailed, std::move(presetName));
  }
  static VeltoClientError unsupportedDeviceType() { return VeltoClientError(Case::unsupportedDeviceType); }
  static VeltoClientError unknownDeviceType() { return VeltoClientError(Case::unknownDeviceType); }
  static VeltoClientError actionUnsupportedByDevice() { return VeltoClientError(Case::actionUnsupportedByDevice); }

  Case errorCase() const noexcept { return case_; }
  // The device's answer of presetSelectFailed, the preset's name of presetSaveFailed and
  // presetDeleteFailed; empty for the other cases.
  const std::string& text() const noexcept { return text_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  friend bool operator==(const VeltoClientError& a, const VeltoClientError& b) noexcept {
    return a.case_ == b.case_ && a.text_ == b.text_;
  }

 private:
  explicit VeltoClientError(Case c, std::string text = {});
  Case case_;
  std::string text_;
  std::string description_;
};

}  // namespace device

template <>
struct std::hash<device::VeltoClientError> {
  std::size_t operator()(const device::VeltoClientError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase())) ^ std::hash<std::string>()(error.text());
  }
};
