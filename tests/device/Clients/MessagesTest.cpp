// The enumerations and channel parameter changes on the wire, the device app's replies, and the
// sentences that alerts and logs show for the device library's errors.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "device/Clients/OSCChannelParameterValueMessage.h"
#include "device/Clients/OSCEnumerationValue.h"
#include "device/Clients/OfflineEditor.h"
#include "device/Clients/VeltoApp.h"
#include "device/Clients/VeltoAppConfirmation.h"
#include "device/Clients/VeltoAppError.h"
#include "device/Clients/VeltoClientError.h"
#include "device/Presets/PresetManagerError.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "device/XML/ZRXMLEncodingError.h"
#include "tests/osc/CodecTesting.h"

namespace {

using namespace device;
using osc::OSCValue;
using osc::test::chars;
using osc::test::errorText;
using osc::test::hex;
using Builder = std::optional<std::string> (*)(const osc::OSCMessage&);
using C = VeltoAppConfirmationCase;
using Type = VeltoAppConfirmation::ConfirmationType;

// Every case of the table travels out and back as itself, with its tag and size.
template <auto& Cases>
void expectRoundTrips(char tag) {
  for (const auto& row : Cases) {
    const OSCValue value = toOSCValue(row.value);
    EXPECT_EQ(value.typeTag().rawValue, tag);
    EXPECT_EQ(value.paddedSize(), value.data().size());
    EXPECT_EQ(decodeOSCValue<decltype(row.value)>(value.data()), row.value) << value.description();
  }
}

TEST(OSCEnumerationValue, EveryCaseRoundTripsThroughItsBytes) {
  expectRoundTrips<kBinauralTypeCases>('s');
  expectRoundTrips<kStereoTypeCases>('s');
  expectRoundTrips<kRenderModeCases>('i');
  expectRoundTrips<kHideCases>('i');
  EXPECT_EQ(toOSCValue(RenderMode::threeD).data(), hex("00 00 00 03"));
  EXPECT_EQ(toOSCValue(Hide::hidden).data(), hex("00 00 00 14"));
  EXPECT_EQ(toOSCValue(Hide::visible).data(), hex("00 00 00 00"));
  EXPECT_EQ(toOSCValue(BinauralType::velto).paddedSize(), 12u);
  EXPECT_EQ(toOSCValue(StereoType::velto1).data(), chars(std::string("STEREO\0\0", 8)));
}

template <typename E>
std::string decoded(const std::vector<std::uint8_t>& bytes) {
  std::string result;
  const std::string error = errorText([&] { result = description(decodeOSCValue<E>(bytes)); });
  return error == "no error" ? result : error;
}

TEST(OSCEnumerationValue, RawValuesThatNameNoCaseAreEncodingErrors) {
  const std::string encoding = "An OSC value is not valid.", size = "An OSC value is cut short.";
  const auto text = [](const char* s) { return OSCValue::string(s).data(); };
  const std::pair<std::string, std::string> cases[] = {
      {decoded<StereoType>(text("stereov3-185")), encoding}, {decoded<BinauralType>(text("STEREO")), encoding},
      {decoded<StereoType>(text("BINAURAL")), encoding},
      {decoded<StereoType>(chars("STEREO")), encoding},  // no terminator: the string reader's error
      {decoded<RenderMode>(hex("00 00 00 00")), encoding}, {decoded<RenderMode>(hex("00 00 00 05")), encoding},
      {decoded<RenderMode>(hex("FF FF FF FF")), encoding}, {decoded<RenderMode>(hex("00 00 01")), size},
      {decoded<RenderMode>(hex("00 00 00 01 FF")), "mono"},  // reads the first four bytes
      {decoded<Hide>(hex("00 00 00 01")), encoding}, {decoded<Hide>(hex("00 00")), size},
  };
  for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(OSCEnumerationValue, ReceivedValuesConvertByKind) {
  EXPECT_EQ(fromOSCValue<RenderMode>(OSCValue::nativeInt(2)), RenderMode::stereo);
  for (const OSCValue& value : {OSCValue::float_(2.0f), OSCValue::int64(2), OSCValue::string("2"),
                                OSCValue::nativeInt(4294967298)}) {
    EXPECT_EQ(errorText([&] { fromOSCValue<RenderMode>(value); }), "An OSC value is not valid.")
        << value.description();
  }
  EXPECT_FALSE(asEnumeration<BinauralType>(OSCValue::int32(0)));
}

// What a class makes of a message: its printed form, plus " relayed" when relayed.
template <typename Message>
std::optional<std::string> built(const osc::OSCMessage& message) {
  const auto result = Message::fromMessage(message);
  if (!result) return std::nullopt;
  EXPECT_TRUE(result->value.has_value());
  return result->description() + (result->relayed ? " relayed" : "");
}

TEST(OSCChannelParameterValueMessage, BuildsOnlyWellFormedChangesOfItsOwnParameter) {
  constexpr Builder gain = &built<OSCChannelGainDbMessage>, mute = &built<OSCChannelMuteMessage>,
                    solo = &built<OSCChannelSoloMessage>, azimuth = &built<OSCChannelAzimuthMessage>,
                    elevation = &built<OSCChannelElevationMessage>, mode = &built<OSCChannelModeVisibleMessage>;
  struct Case {
    Builder build;
    const char* address;
    std::vector<OSCValue> values;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {gain, "/Vp/ui/3/ch/12/gaindB", {-3.5f}, "User 3 Channel\u00A012 @ gaindB -3.5 from "},
      {gain, "/Vp/ui/3/ch/12/gaindB/Relayed", {-3.5f, "UID"}, "User 3 Channel\u00A012 @ gaindB -3.5 from UID relayed"},
      {gain, "/Vp/ui/3/ch/12/gaindB/relayed", {-3.5f, "UID"}, "User 3 Channel\u00A012 @ gaindB -3.5 from UID"},
      {gain, "/Vp/ui/3/ch/12/gaindB", {0.0f, "UID", "X"}, "User 3 Channel\u00A012 @ gaindB 0.0 from "},
      {gain, "/Vp/ui/3/ch/12/gaindB", {0.0f, std::int32_t(5)}, "User 3 Channel\u00A012 @ gaindB 0.0 from "},
      {gain, "/Vp/ui/255/ch/65535/gaindB", {1.0f}, "User 255 Channel\u00A065535 @ gaindB 1.0 from "},
      {gain, "/Vp/ui/256/ch/1/gaindB", {1.0f}, std::nullopt}, {gain, "/Vp/ui/-1/ch/1/gaindB", {1.0f}, std::nullopt},
      {gain, "/Vp/ui/1/ch/65536/gaindB", {1.0f}, std::nullopt}, {gain, "/Vp/ui/x/ch/1/gaindB", {1.0f}, std::nullopt},
      {gain, "/Vp/ui/1/ch/1", {1.0f}, std::nullopt}, {gain, "/Vp/ui/1/ch/1/gaindB", {}, std::nullopt},
      {gain, "/Vp/ui/1/ch/1/gaindB", {std::int32_t(1)}, std::nullopt},
      {gain, "/Vp/ui/1/ch/1/GAINDB", {1.0f}, std::nullopt}, {gain, "/Vp/ui/1/ch/1/mute", {1.0f}, std::nullopt},
      {mute, "/Vp/ui/1/ch/2/mute", {true}, "User 1 Channel\u00A02 @ mute true from "},
      {mute, "/Vp/ui/1/ch/2/mute", {std::int32_t(1)}, std::nullopt},
      {solo, "/Vp/ui/1/ch/2/solo", {false, "U"}, "User 1 Channel\u00A02 @ solo false from U"},
      {solo, "/Vp/ui/1/ch/2/mute", {false}, std::nullopt},
      {azimuth, "/Vp/ui/0/ch/0/azi", {90.0f}, "User 0 Channel\u00A00 @ azi 90.0 from "},
      {azimuth, "/Vp/ui/0/ch/0/ele", {90.0f}, std::nullopt},
      {elevation, "/Vp/ui/0/ch/0/ele", {-12.25f}, "User 0 Channel\u00A00 @ ele -12.25 from "},
      {mode, "/Vp/ui/2/ch/7/modeVisible", {std::int32_t(4)}, "User 2 Channel\u00A07 @ modeVisible i3D from "},
      {mode, "/Vp/ui/2/ch/7/modeVisible", {std::int32_t(1)}, "User 2 Channel\u00A07 @ modeVisible mono from "},
      {mode, "/Vp/ui/2/ch/7/modeVisible", {std::int32_t(0)}, std::nullopt},  // other refused modes: enumeration test
  };
  for (const Case& c : cases) {
    const auto message = osc::OSCMessage::make(c.address, c.values);
    ASSERT_TRUE(message) << c.address;
    EXPECT_EQ(c.build(*message), c.expected) << message->description();
  }
}

// The uid only ever comes from exactly two arguments (the table cannot tell none from empty).
TEST(OSCChannelParameterValueMessage, TakesTheUidOnlyFromExactlyTwoArguments) {
  for (auto values : {std::vector<OSCValue>{true, "UID", "X"}, {true, ""}, {true}}) {
    const auto parsed = OSCChannelSoloMessage::fromMessage(*osc::OSCMessage::make("/Vp/ui/3/ch/12/solo", values));
    EXPECT_EQ(parsed->uid, values.size() == 2 ? std::optional<std::string>("") : std::nullopt);
  }
}

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

// The sentences that alerts and logs show for the device library's errors, with and without the
// text an error carries.
TEST(ErrorDescriptions, ClientErrorsSayWhatFailedAndCarryTheDevicesAnswer) {
  using Editor = device::OfflineEditor::EditorError;
  const std::pair<std::string, std::string> cases[] = {
      {VeltoClientError::presetSelectFailed("ERROR: busy").what(), "The device did not load the preset: ERROR: busy"},
      {VeltoClientError::presetSelectFailed("").what(), "The device did not load the preset."},
      {VeltoClientError::deviceIsOffline().what(), "The device is offline."},
      {VeltoClientError::presetSaveFailed("Live").what(), "The device did not save the preset \u201cLive\u201d."},
      {VeltoClientError::presetDeleteFailed().what(), "The device did not delete the preset."},
      {VeltoClientError::noMatchingConfirmationReceived().what(), "The device did not confirm the operation."},
      {VeltoClientError::actionUnsupportedByDevice().what(), "The device does not support this action."},
      {device::VeltoAppEndpointError::invalidRotaverSlot(65).what(),
       "There is no controller slot 65 (slots go from 0 to 64)."},
      {device::VeltoAppEndpointError::invalidRotaverSlot().what(), "There is no controller slot (slots go from 0 to 64)."},
      {Editor(Editor::Case::unsupportedClockSpeedMode).what(),
       "The offline editor cannot run this processor with an automatic clock speed."},
      {Editor(Editor::Case::unsupportedNumberOfMixes).what(),
       "The offline editor cannot run a processor with this number of mixes (it takes 1 to 16)."},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  // The carried text does not change what the error is.
  EXPECT_EQ(VeltoClientError::presetSaveFailed("Live"), VeltoClientError::presetSaveFailed("Live"));
  EXPECT_EQ(VeltoClientError::presetSaveFailed("Live").description(), VeltoClientError::presetSaveFailed("Live").what());
}

TEST(ErrorDescriptions, PresetErrorsNameTheFileOrPreset) {
  const std::pair<std::string, std::string> cases[] = {
      {PresetManagerError::localPathDoesNotExist("/p").what(), "The preset folder \u201c/p\u201d does not exist."},
      {PresetManagerError::localPathDoesNotExist().what(), "The preset folder does not exist."},
      {PresetManagerError::emptyPreset("/p/A.vup").what(),
       "The preset file \u201c/p/A.vup\u201d is empty or cannot be read."},
      {PresetManagerError::presetDoesNotExistAtSource("Song").what(), "The preset \u201cSong\u201d is not on the source."},
      {PresetManagerError::presetDoesNotExist("/p/A.vup").what(), "There is no preset file \u201c/p/A.vup\u201d."},
      {PresetManagerError::presetDoesNotExist().what(), "There is no preset file."},
      {PresetManagerError::invalidPath("..").what(), "\u201c..\u201d cannot be used as a file name."},
      {PresetManagerError::invalidPath().what(), "The preset's name cannot be used as a file name."},
      {device::PresetSegmentHandlerError::timeout().what(), "The preset did not arrive from the device in time."},
      {device::ZRXMLEncodingError::encodingFailed().what(),
       "The preset document could not be written: its text is not valid UTF-8."},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  EXPECT_EQ(PresetManagerError::invalidPath("a/b"), PresetManagerError::invalidPath());
}

}  // namespace
