#pragma once
// A device's confirmation of a preset operation, received on "/VELTOapp/confirmation", and the
// classification of its text. Plain value; any thread may use its own copy.

#include <optional>
#include <string>
#include <string_view>

#include "device/Clients/VeltoAppReply.h"

namespace device {

enum class VeltoAppConfirmationCase {
  Unkown,
  PresetReceived,
  PresetTransferComplete,
  PresetSucessfullyDeleted,
  PresetDeleteFailed,  // an expected type only: no text gives it
  PresetSaved,
};
std::string_view caseName(VeltoAppConfirmationCase kind);

class VeltoAppConfirmation {
 public:
  using ConfirmationType = VeltoAppReplyType<VeltoAppConfirmationCase>;

  explicit VeltoAppConfirmation(VeltoAppReply reply) : reply_(std::move(reply)) {}
  // As VeltoAppReply::fromMessage.
  static std::optional<VeltoAppConfirmation> fromMessage(const osc::OSCMessage& message);

  // The type of a confirmation text, first rule that fits:
  //   "Preset received."                              PresetReceived
  //   "Preset transfer complete."                     PresetTransferComplete
  //   found: ^Preset \S+ successfully deleted\.$      PresetSucessfullyDeleted
  //   found: Preset \S+ saved.$                       PresetSaved (any character after "saved")
  //   anything else                                   Unkown(text)
  // \S is any character but Unicode white space, "." any but a line break, and "$" the end of
  // the text or just before one line break that ends it (see UnicodePattern.h).
  static ConfirmationType classify(std::string_view text);

  const std::string& message() const { return reply_.message; }
  std::int32_t code() const { return reply_.code; }
  const std::string& uid() const { return reply_.uid; }
  // Derived from message() at each call.
  ConfirmationType type() const { return classify(reply_.message); }
  // message + " - " + code + "@" + uid.
  std::string description() const { return reply_.description(); }

  friend bool operator==(const VeltoAppConfirmation&, const VeltoAppConfirmation&) = default;

 private:
  VeltoAppReply reply_;
};

}  // namespace device
