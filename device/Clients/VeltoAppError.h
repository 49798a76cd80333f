#pragma once
// A device's error reply to a preset operation, received on "/VELTOapp/error". A waiting
// operation throws it as it is. Plain value; any thread may use its own copy.
// (The companion-app endpoint's own error is VeltoAppEndpointError, in VeltoApp.h.)

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "device/Clients/VeltoAppReply.h"

namespace device {

enum class VeltoAppErrorCase { Unkown, FileNotFound };
std::string_view caseName(VeltoAppErrorCase kind);

class VeltoAppError : public std::exception {
 public:
  using ErrorType = VeltoAppReplyType<VeltoAppErrorCase>;

  explicit VeltoAppError(VeltoAppReply reply);
  // As VeltoAppReply::fromMessage.
  static std::optional<VeltoAppError> fromMessage(const osc::OSCMessage& message);

  // "File not found." gives FileNotFound; any other text Unkown(text).
  static ErrorType classify(std::string_view text);

  const std::string& message() const { return reply_.message; }
  std::int32_t code() const { return reply_.code; }
  const std::string& uid() const { return reply_.uid; }
  ErrorType type() const { return classify(reply_.message); }
  // The printed form of the reply: message + " - " + code + "@" + uid.
  const std::string& description() const { return description_; }
  // What an alert and a log line show: "The device reported an error: File not found."
  const char* what() const noexcept override { return sentence_.c_str(); }

  friend bool operator==(const VeltoAppError& a, const VeltoAppError& b) { return a.reply_ == b.reply_; }

 private:
  VeltoAppReply reply_;
  std::string description_;
  std::string sentence_;
};

}  // namespace device
