#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "device/Clients/VeltoAppConfirmation.h"
#include "device/Clients/VeltoAppError.h"

namespace {

using device::VeltoAppConfirmation;
using device::VeltoAppError;
using osc::OSCValue;
using C = device::VeltoAppConfirmationCase;
using Type = VeltoAppConfirmation::ConfirmationType;

// Rows without a case expect Unkown with the text itself.
TEST(VeltoAppConfirmation, ClassifiesTextsInOrder) {
  const std::pair<std::string, std::optional<C>> cases[] = {
      {"Preset received.", C::PresetReceived}, {"Preset received", {}},
      {"Preset received.\n", {}},  // exact texts are exact
      {"Preset transfer complete.", C::PresetTransferComplete},
      {"Preset Show successfully deleted.", C::PresetSucessfullyDeleted},
      {"Preset Sh\u00F6w_2 successfully deleted.", C::PresetSucessfullyDeleted},
      {"Preset My Show successfully deleted.", {}}, {"Old Preset Show successfully deleted.", {}},
      {"Preset Show successfully deleted!", {}}, {"Preset Show saved.", C::PresetSaved},
      {"Preset Show savedX", C::PresetSaved},  // any one character after "saved"
      {"Note: Preset Show saved.", C::PresetSaved}, {"Preset \u00C9t\u00E9 saved.", C::PresetSaved},
      {"Preset Show saved", {}}, {"Preset Show saved..", {}}, {"Preset My Show saved.", {}},
      // Unicode blanks end a name, as ASCII ones do.
      {"Preset My\u00A0Show saved.", {}}, {"Preset My\u2003Show successfully deleted.", {}},
      // "$" also matches before one line break that ends the text; "." takes no line break.
      {"Preset Show successfully deleted.\n", C::PresetSucessfullyDeleted},
      {"Preset Show successfully deleted.\u2028", C::PresetSucessfullyDeleted},
      {"Preset Show saved.\r\n", C::PresetSaved}, {"Preset Show saved.\n\n", {}},
      {"Preset Show saved\n", {}}, {"Preset Show saved\r", {}}, {"", {}},
  };
  for (const auto& [text, kind] : cases) {
    EXPECT_EQ(VeltoAppConfirmation::classify(text), kind ? Type(*kind) : Type::Unkown(text))
        << text << " gave " << VeltoAppConfirmation::classify(text).description();
  }
}

TEST(VeltoAppConfirmation, TypesCompareByCaseAndUnkownText) {
  EXPECT_NE(Type::Unkown("a"), Type::Unkown("b"));
  EXPECT_NE(Type(C::PresetDeleteFailed), Type(C::PresetSucessfullyDeleted));
  EXPECT_EQ(VeltoAppError::classify("File not found."), device::VeltoAppErrorCase::FileNotFound);
  EXPECT_EQ(VeltoAppError::classify("File not found"), VeltoAppError::ErrorType::Unkown("File not found"));
}

TEST(VeltoAppReplies, BuildOnlyFromStringIntegerString) {
  const std::pair<std::vector<OSCValue>, std::optional<std::string>> cases[] = {
      {{"Preset received.", std::int32_t(0), ""}, "Preset received. - 0@"},
      {{"File not found.", std::int32_t(-2), "ABC"}, "File not found. - -2@ABC"},
      {{"Preset received.", std::int32_t(0), "", ""}, std::nullopt}, {{"Preset received.", std::int32_t(0)}, {}},
      {{"Preset received.", 0.0f, ""}, {}}, {{"Preset received.", "0", ""}, {}},
      {{std::int32_t(1), std::int32_t(0), ""}, {}}, {{"Preset received.", std::int32_t(0), std::int32_t(0)}, {}},
      {{}, {}},
  };
  for (const auto& [values, printed] : cases) {
    const auto message = *osc::OSCMessage::make("/VELTOapp/confirmation", values);
    const auto confirmation = VeltoAppConfirmation::fromMessage(message);
    const auto error = VeltoAppError::fromMessage(message);
    ASSERT_EQ(confirmation.has_value(), printed.has_value()) << message.description();
    ASSERT_EQ(error.has_value(), printed.has_value()) << message.description();
    if (!printed) continue;
    EXPECT_EQ(confirmation->description(), *printed);
    EXPECT_EQ(error->description(), *printed);
    EXPECT_EQ(error->what(), "The device reported an error: " + std::string(*values[0].asString()));
  }
}

}  // namespace
