#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "device/Clients/OSCChannelParameterValueMessage.h"

namespace {

using namespace device;
using osc::OSCValue;

using Builder = std::optional<std::string> (*)(const osc::OSCMessage&);

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

}  // namespace
