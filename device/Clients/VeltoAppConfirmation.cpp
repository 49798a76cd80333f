#include "device/Clients/VeltoAppConfirmation.h"

#include <re2/re2.h>

#include <memory>

#include "device/Model/UnicodePattern.h"

namespace device {
namespace {

// Devices' texts are outside input: RE2 keeps the searches linear. Compiled once on first use,
// then only read (safe from any thread); never destroyed, as a pool thread may still match while
// the process exits.
const RE2& deletedExpression() {
  static const RE2* const expression =
      unicodeExpression(R"(^Preset \S+ successfully deleted\.$)", FinalLineBreak::allowed).release();
  return *expression;
}

const RE2& savedExpression() {
  static const RE2* const expression =
      unicodeExpression(R"(Preset \S+ saved.$)", FinalLineBreak::allowed).release();
  return *expression;
}

bool found(const RE2& expression, std::string_view text) {
  return RE2::PartialMatch(re2::StringPiece(text.data(), text.size()), expression);
}

}  // namespace

std::string_view caseName(VeltoAppConfirmationCase kind) {
  using C = VeltoAppConfirmationCase;
  switch (kind) {
    case C::Unkown: return "Unkown";
    case C::PresetReceived: return "PresetReceived";
    case C::PresetTransferComplete: return "PresetTransferComplete";
    case C::PresetSucessfullyDeleted: return "PresetSucessfullyDeleted";
    case C::PresetDeleteFailed: return "PresetDeleteFailed";
    case C::PresetSaved: return "PresetSaved";
  }
  return "Unkown";
}

std::optional<VeltoAppConfirmation> VeltoAppConfirmation::fromMessage(const osc::OSCMessage& message) {
  auto reply = VeltoAppReply::fromMessage(message);
  if (!reply) return std::nullopt;
  return VeltoAppConfirmation(std::move(*reply));
}

VeltoAppConfirmation::ConfirmationType VeltoAppConfirmation::classify(std::string_view text) {
  using C = VeltoAppConfirmationCase;
  if (text == "Preset received.") return C::PresetReceived;
  if (text == "Preset transfer complete.") return C::PresetTransferComplete;
  if (found(deletedExpression(), text)) return C::PresetSucessfullyDeleted;
  if (found(savedExpression(), text)) return C::PresetSaved;
  return ConfirmationType::Unkown(std::string(text));
}

}  // namespace device
