#include "device/Presets/PresetSegmentMessages.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "device/Presets/PresetSegMessage.h"
#include "device/Presets/PresetSegment.h"
#include "gzip/Gzip.h"

namespace {

using device::PresetName;
using device::PresetType;
using osc::OSCValue;
using Bytes = std::vector<std::uint8_t>;

Bytes counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

TEST(PresetSegmentMessages, UserShowsGoUncompressedInSlicesOf1000) {
  const PresetName show("Show_[bkup_2024] (USER SHOW)");
  const struct {
    std::size_t size;
    std::vector<std::size_t> slices;
  } cases[] = {{0, {}}, {1000, {1000}}, {2000, {1000, 1000}}, {2001, {1000, 1000, 1}}};
  for (const auto& c : cases) {
    const Bytes payload = counting(c.size);
    const auto messages = device::presetSegmentMessages(payload, show, true, "app-uid");
    ASSERT_EQ(messages.size(), c.slices.size()) << c.size;
    Bytes joined;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      const auto& m = messages[i];
      EXPECT_EQ(m.address().address(), "/VELTOpelion/control/presetSeg");
      ASSERT_EQ(m.values().size(), 7u);
      EXPECT_EQ(m.values()[0], OSCValue::string("Show.vup"));
      const auto blob = *m.values()[1].asBlob();
      EXPECT_EQ(blob.size(), c.slices[i]);
      joined.insert(joined.end(), blob.begin(), blob.end());
      EXPECT_EQ(m.values()[2], OSCValue::int32(static_cast<std::int32_t>(i)));
      EXPECT_EQ(m.values()[3], OSCValue::int32(static_cast<std::int32_t>(c.slices.size())));
      EXPECT_EQ(m.values()[4], OSCValue::string(""));
      EXPECT_EQ(m.values()[5], OSCValue::boolean(true));
      EXPECT_EQ(m.values()[6], OSCValue::string("app-uid"));
    }
    EXPECT_EQ(joined, payload);
  }
}

TEST(PresetSegmentMessages, PresetsAreCompressedFirst) {
  const Bytes payload(5000, 'a');
  const auto messages = device::presetSegmentMessages(payload, PresetName("Live"), false, "u");
  ASSERT_EQ(messages.size(), 1u);  // the count follows the compressed length
  EXPECT_EQ(messages[0].values()[0], OSCValue::string("Live.VELTOshow"));
  EXPECT_EQ(messages[0].values()[5], OSCValue::boolean(false));
  EXPECT_EQ(gzip::gunzipped(*messages[0].values()[1].asBlob()), payload);
  EXPECT_TRUE(device::presetSegmentMessages({}, PresetName("Live"), false, "u").empty());
}

TEST(PresetSegMessage, AcceptsExactlySixTypedArguments) {
  const std::vector<OSCValue> good = {OSCValue::string("Show.vup"), OSCValue::blob({1, 2}), OSCValue::int32(1),
                                      OSCValue::int32(3),          OSCValue::string("Dev"),  OSCValue::string("uid")};
  auto with = [&](std::size_t at, OSCValue value) {
    auto values = good;
    values[at] = std::move(value);
    return values;
  };
  auto plus = good;
  plus.push_back(OSCValue::string("x"));
  const std::pair<std::vector<OSCValue>, bool> cases[] = {
      {good, true},
      {with(2, OSCValue::float_(1)), false},
      {with(1, OSCValue::string("b")), false},
      {with(3, OSCValue::int64(3)), false},
      {with(5, OSCValue::int32(0)), false},
      {std::vector<OSCValue>(good.begin(), good.end() - 1), false},
      {plus, false},
  };
  for (const auto& [values, accepted] : cases) {
    const auto message = osc::OSCMessage::make("/VELTOapp/control/PresetSeg", values);
    EXPECT_EQ(device::PresetSegMessage::make(*message).has_value(), accepted) << message->description();
  }
}

TEST(PresetSegment, DropsTheExtensionOfTheReceivedName) {
  const std::pair<std::string, std::string> cases[] = {
      {"Show.vup", "Show"}, {"Show", "Show"}, {"A.b.VELTOshow", "A.b"}, {".vup", ""}};
  for (const auto& [received, gathered] : cases) {
    const device::PresetSegMessage message{received, {1, 2, 3}, 1, 3, "Dev", "uid-1"};
    const auto segment = device::PresetSegment::fromMessage(message, {});
    EXPECT_EQ(segment.presetName, gathered);
  }
}

}  // namespace
