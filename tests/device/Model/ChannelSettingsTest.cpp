#include "device/Model/ChannelSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "device/Model/DeepCopyable.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelSettings;
using device::Color;
using device::Hide;
using device::RenderMode;
using device::ZRXMLElement;
using modeltest::errorOf;
constexpr double pi = std::numbers::pi;

// A complete channel element with some attributes changed (no value: removed).
device::ZRXMLElementPtr channelElement(const std::vector<std::pair<const char*, std::optional<const char*>>>& changes) {
  auto xml = std::make_shared<ZRXMLElement>(
      "ChannelSettings", std::nullopt,
      ZRXMLElement::Attributes{{"InputChannel", "3"}, {"Index", "2"}, {"Name", "Vox"}, {"Icon", "mic"},
                               {"Color", "ff0000ff"}, {"Visible", "0"}, {"LinkedStereoChannel", "4"},
                               {"Hide", "0"}, {"Tone", "0.25"}, {"Morph", "0.5"}, {"R", "0.5"},
                               {"Theta", "1"}, {"Phi", "-1"}, {"WidthOffset", "10"}, {"ChannelMode", "2"},
                               {"ChannelGaindB", "-6"}, {"Solo", "yes"}, {"Mute", "TRUE"}, {"GroupID", "5"}});
  for (const auto& [name, value] : changes) {
    if (value) {
      xml->attributes.insert_or_assign(name, *value);
    } else {
      xml->attributes.erase(name);
    }
  }
  return xml;
}

// A channel whose fields all differ from what channelElement() carries.
ChannelSettings existingChannel() {
  ChannelSettings channel(1, 1, "Old", 1);
  channel.hide = Hide::hidden;
  channel.setTone(-0.5);
  channel.setMorph(0.75);
  channel.color = Color(1, 2, 3, 4);
  return channel;
}

TEST(ChannelSettings, DecodesWithToleratedAndRequiredAttributesAndClampsAtTheEdges) {
  const struct {
    const char* what;
    std::vector<std::pair<const char*, std::optional<const char*>>> changes;
    const char* error;
    std::function<void(const ChannelSettings&)> check;
  } cases[] = {
      {"complete", {}, "no error",
       [](const ChannelSettings& c) {
         EXPECT_EQ(c.inputChannel, 3u);
         EXPECT_EQ(c.name, "Vox");
         EXPECT_EQ(c.color, Color(0, 0, 255, 255));
         EXPECT_FALSE(c.visible);
         EXPECT_EQ(c.linkedStereoChannel, 4);
         EXPECT_EQ(c.hide, Hide::visible);
         EXPECT_EQ(c.tone(), 0.25);
         EXPECT_EQ(c.morph(), 0.5);
         EXPECT_EQ(c.channelMode, RenderMode::stereo);
         EXPECT_EQ(c.channelGaindB(), -6.0);
         EXPECT_TRUE(c.solo && c.mute);
         EXPECT_EQ(c.groupID, 5u);
       }},
      {"Hide, Tone, Morph missing", {{"Hide", {}}, {"Tone", {}}, {"Morph", {}}}, "no error",
       [](const ChannelSettings& c) {
         EXPECT_EQ(c.hide, Hide::hidden);
         EXPECT_EQ(c.tone(), -0.5);
         EXPECT_EQ(c.morph(), 0.75);
       }},
      {"Hide, Tone, Morph unreadable", {{"Hide", "5"}, {"Tone", "x"}, {"Morph", ""}}, "no error",
       [](const ChannelSettings& c) {
         EXPECT_EQ(c.hide, Hide::hidden);
         EXPECT_EQ(c.tone(), -0.5);
       }},
      {"colour not hexadecimal", {{"Color", "zz"}}, "no error",
       [](const ChannelSettings& c) { EXPECT_EQ(c.color, Color(1, 2, 3, 4)); }},
      {"below and above the ranges",
       {{"ChannelGaindB", "-200"}, {"Theta", "4"}, {"WidthOffset", "120"}, {"Tone", "2"}, {"Morph", "-1"},
        {"Phi", "-4"}, {"R", "-0.0"}},
       "no error",
       [](const ChannelSettings& c) {
         EXPECT_EQ(c.channelGaindB(), -144.0);
         EXPECT_EQ(c.theta(), pi);
         EXPECT_EQ(c.widthOffset(), 90.0);
         EXPECT_EQ(c.tone(), 1.0);
         EXPECT_EQ(c.morph(), 0.0);
         EXPECT_EQ(c.phi(), -pi);
         EXPECT_FALSE(std::signbit(c.r()));
       }},
      {"exactly the bounds", {{"ChannelGaindB", "12"}, {"WidthOffset", "-90"}, {"R", "1"}}, "no error",
       [](const ChannelSettings& c) {
         EXPECT_EQ(c.channelGaindB(), 12.0);
         EXPECT_EQ(c.widthOffset(), -90.0);
         EXPECT_EQ(c.r(), 1.0);
       }},
      {"NaN passes the clamp", {{"R", "nan"}}, "no error",
       [](const ChannelSettings& c) { EXPECT_TRUE(std::isnan(c.r())); }},
      {"colour missing", {{"Color", {}}}, R"(attribute "Color" not found for "ChannelSettings")",
       [](const ChannelSettings& c) { EXPECT_EQ(c.icon, "mic"); }},
      {"render mode 0", {{"ChannelMode", "0"}},
       R"(value "0" of attribute ChannelSettings.ChannelMode could not be converted to the expected type.)",
       [](const ChannelSettings& c) { EXPECT_EQ(c.widthOffset(), 10.0); }},
      {"render mode 5", {{"ChannelMode", "5"}},
       R"(value "5" of attribute ChannelSettings.ChannelMode could not be converted to the expected type.)",
       [](const ChannelSettings& c) { EXPECT_EQ(c.channelGaindB(), -144.0); }},
      {"group missing: everything before is read", {{"GroupID", {}}},
       R"(attribute "GroupID" not found for "ChannelSettings")",
       [](const ChannelSettings& c) {
         EXPECT_EQ(c.name, "Vox");
         EXPECT_TRUE(c.mute);
         EXPECT_EQ(c.groupID, 1u);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ChannelSettings channel = existingChannel();
    EXPECT_EQ(errorOf([&] { channel.decode(channelElement(c.changes)); }), c.error);
    c.check(channel);
  }
}

TEST(ChannelSettings, NewChannelFromXmlStartsFromTheDefaults) {
  const auto channel = ChannelSettings::fromXml(channelElement({{"Hide", {}}, {"Tone", {}}, {"Morph", {}}}));
  EXPECT_EQ(channel->hide, Hide::visible);
  EXPECT_EQ(channel->tone(), 0.0);
  EXPECT_EQ(channel->morph(), 0.0);
  EXPECT_EQ(errorOf([] { ChannelSettings::fromXml(channelElement({{"Name", {}}})); }),
            R"(attribute "Name" not found for "ChannelSettings")");
}

TEST(ChannelSettings, EncodesCanonicalTextsAndLeavesToneAndMorph) {
  ChannelSettings channel(9, 0, "Keys", 15);
  const auto fresh = std::make_shared<ZRXMLElement>("ChannelSettings");
  channel.encode(fresh);
  EXPECT_EQ(fresh->xmlString(),
            "<ChannelSettings ChannelGaindB=\"-144.0\" ChannelMode=\"3\" Color=\"ff702482\" GroupID=\"15\" "
            "Hide=\"0\" Icon=\"singer\" Index=\"0\" InputChannel=\"9\" LinkedStereoChannel=\"-1\" Mute=\"0\" "
            "Name=\"Keys\" Phi=\"0.0\" R=\"1.0\" Solo=\"0\" Theta=\"1.5707963267948966\" Visible=\"1\" "
            "WidthOffset=\"0.0\"/>");

  channel.hide = Hide::hidden;
  channel.setTone(-1);
  const auto old = channelElement({{"Other", "kept"}, {"Tone", "0.5"}});
  channel.encode(old);
  EXPECT_EQ(old->attributes.at("Hide"), "20");
  EXPECT_EQ(old->attributes.at("Tone"), "0.5");
  EXPECT_EQ(old->attributes.at("Morph"), "0.5");
  EXPECT_EQ(old->attributes.at("Other"), "kept");
}

TEST(ChannelSettings, AnglesInDegreesStayWithinTheirRanges) {
  ChannelSettings channel(1, 0, "", 0);
  EXPECT_EQ(channel.elevation(), 0.0);
  channel.setAzimuth(270);
  EXPECT_EQ(channel.azimuth(), 180.0);
  channel.setAzimuth(-200);
  EXPECT_EQ(channel.azimuth(), -180.0);
  channel.setElevation(90);
  EXPECT_EQ(channel.theta(), 0.0);
  channel.setElevation(-120);
  EXPECT_EQ(channel.theta(), pi);
}

TEST(ChannelSettings, CopyHasEveryFieldAndSharesNothing) {
  ChannelSettings source = existingChannel();
  source.decode(channelElement({{"ChannelGaindB", "3.5"}}));
  const auto copy = device::deepCopy(std::make_shared<ChannelSettings>(source));
  const auto written = [](const ChannelSettings& c) {
    const auto xml = std::make_shared<ZRXMLElement>("C");
    c.encode(xml);
    return xml->xmlString() + std::to_string(c.tone()) + std::to_string(c.morph());
  };
  EXPECT_EQ(written(*copy), written(source));
  copy->setChannelGaindB(0);
  copy->name = "changed";
  EXPECT_EQ(source.channelGaindB(), 3.5);
  EXPECT_EQ(source.name, "Vox");
}

}  // namespace
