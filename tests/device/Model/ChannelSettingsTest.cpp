#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "device/Model/ChannelSettings.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelSettings;
using device::Hide;
using modeltest::channelElement;

TEST(ChannelSettings, DecodesToleratedAndRequiredAttributesAndClampsAtTheEdges) {
  using Field = double (*)(const ChannelSettings&);
  const Field tone = [](const ChannelSettings& c) { return c.tone(); };
  const Field morph = [](const ChannelSettings& c) { return c.morph(); };
  const Field gain = [](const ChannelSettings& c) { return c.channelGaindB(); };
  const Field width = [](const ChannelSettings& c) { return c.widthOffset(); };
  const Field r = [](const ChannelSettings& c) { return std::isnan(c.r()) ? 99 : std::copysign(7, c.r()); };
  const auto badMode = [](const char* text) { return modeltest::badValue(text, "ChannelSettings.ChannelMode"); };
  const struct {
    modeltest::Changes changes;
    std::string error;
    Field field;
    double expected;
  } cases[] = {
      {{}, "", [](const ChannelSettings& c) { return double(c.linkedStereoChannel); }, 4},
      {{{"Hide", "5"}}, "", [](const ChannelSettings& c) { return c.hide == Hide::hidden ? 1.0 : 0.0; }, 1},
      {{{"Tone", "x"}}, "", tone, -0.5},
      {{{"Morph", ""}}, "", morph, 0.75},
      {{{"Color", "zz"}}, "", [](const ChannelSettings& c) { return double(c.color.a()); }, 4},
      {{{"ChannelGaindB", "-200"}}, "", gain, -144},
      {{{"Theta", "4"}}, "", [](const ChannelSettings& c) { return c.theta(); }, std::numbers::pi},
      {{{"Phi", "-4"}}, "", [](const ChannelSettings& c) { return c.phi(); }, -std::numbers::pi},
      {{{"WidthOffset", "120"}}, "", width, 90},
      {{{"WidthOffset", "-90"}}, "", width, -90},
      {{{"Tone", "2"}}, "", tone, 1},
      {{{"Morph", "-1"}}, "", morph, 0},
      {{{"R", "-0.0"}}, "", r, 7},  // the bound 0.0, not -0.0
      {{{"R", "nan"}}, "", r, 99},
      {{{"Color", {}}}, modeltest::noAttribute("Color", "ChannelSettings"),
       [](const ChannelSettings& c) { return double(c.inputChannel); }, 3},
      {{{"ChannelMode", "0"}}, badMode("0"), width, 10},
      {{{"ChannelMode", "5"}}, badMode("5"), gain, -144},
      {{{"GroupID", {}}}, modeltest::noAttribute("GroupID", "ChannelSettings"),
       [](const ChannelSettings& c) { return c.mute + c.groupID * 10.0; }, 11},
  };
  for (const auto& c : cases) {
    ChannelSettings channel(1, 1, "Old", 1);
    channel.hide = Hide::hidden;
    channel.setTone(-0.5);
    channel.setMorph(0.75);
    channel.color = device::Color(1, 2, 3, 4);
    EXPECT_EQ(modeltest::errorOf([&] { channel.decode(channelElement(c.changes)); }), c.error);
    EXPECT_EQ(c.field(channel), c.expected) << channelElement(c.changes)->xmlString();
  }
  const auto fresh = ChannelSettings::fromXml(channelElement({{"Hide", {}}, {"Tone", {}}, {"Morph", {}}}));
  EXPECT_EQ(fresh->hide, Hide::visible);
  EXPECT_EQ(fresh->tone() + fresh->morph(), 0.0);
}

TEST(ChannelSettings, EncodesCanonicalTextsAndLeavesToneAndMorph) {
  ChannelSettings channel(9, 0, "Keys", 15);
  const auto written = [](const ChannelSettings& c) {
    const auto xml = std::make_shared<device::ZRXMLElement>("ChannelSettings");
    c.encode(xml);
    return xml->xmlString();
  };
  EXPECT_EQ(written(channel),
            R"(<ChannelSettings ChannelGaindB="-144.0" ChannelMode="3" Color="ff702482" GroupID="15" Hide="0" )"
            R"(Icon="singer" Index="0" InputChannel="9" LinkedStereoChannel="-1" Mute="0" Name="Keys" Phi="0.0" )"
            R"(R="1.0" Solo="0" Theta="1.5707963267948966" Visible="1" WidthOffset="0.0"/>)");
  channel.hide = Hide::hidden;
  channel.setTone(-1);
  channel.setAzimuth(270);  // clamped to 180
  EXPECT_EQ(channel.azimuth(), 180.0);
  const auto old = channelElement();
  channel.encode(old);
  const auto& a = old->attributes;
  EXPECT_EQ(a.at("Hide") + " " + a.at("Tone") + " " + a.at("Morph"), "20 0.25 0.5");
  const auto copy = device::deepCopy(std::make_shared<ChannelSettings>(channel));
  EXPECT_EQ(written(*copy), written(channel));
  EXPECT_EQ(copy->tone(), -1.0);
  channel.setAzimuth(-200);
  EXPECT_EQ(channel.azimuth(), -180.0);
}

}  // namespace
