#include <gtest/gtest.h>

#include <string>

#include "device/Model/ChannelSettings.h"
#include "platform/NumberText.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelSettings;
using device::Hide;
using modeltest::channelElement;

// Hide, tone, morph, colour alpha, gain, theta, phi, width, r | input, linked, mute, group.
std::string state(const ChannelSettings& c) {
  std::string out = c.hide == Hide::hidden ? "hidden" : "visible";
  for (const double v : {c.tone(), c.morph(), double(c.color.a()), c.channelGaindB(), c.theta(), c.phi(),
                         c.widthOffset(), c.r()})
    out.append(" ").append(platform::formatShortest(v));
  return out + " | " + std::to_string(c.inputChannel) + " " + std::to_string(c.linkedStereoChannel) + " " +
         std::to_string(c.mute) + " " + std::to_string(c.groupID);
}

TEST(ChannelSettings, DecodesToleratedAndRequiredAttributesAndClampsAtTheEdges) {
  const auto badMode = [](const char* text) { return modeltest::badValue(text, "ChannelSettings.ChannelMode"); };
  const struct {
    modeltest::Changes changes;
    std::string error;
    const char* expected;
  } cases[] = {
      {{}, "", "visible 0.25 0.5 255.0 -6.0 1.0 -1.0 10.0 0.5 | 3 4 1 5"},
      // Texts that do not read keep the field.
      {{{"Hide", "5"}, {"Tone", "x"}, {"Morph", ""}, {"Color", "zz"}}, "",
       "hidden -0.5 0.75 4.0 -6.0 1.0 -1.0 10.0 0.5 | 3 4 1 5"},
      {{{"ChannelGaindB", "-200"}, {"Theta", "4"}, {"Phi", "-4"}, {"WidthOffset", "120"}, {"Tone", "2"},
        {"Morph", "-1"}, {"R", "-0.0"}},
       "", "visible 1.0 0.0 255.0 -144.0 3.141592653589793 -3.141592653589793 90.0 0.0 | 3 4 1 5"},
      {{{"WidthOffset", "-90"}, {"R", "nan"}}, "", "visible 0.25 0.5 255.0 -6.0 1.0 -1.0 -90.0 nan | 3 4 1 5"},
      // Fields read before a failure keep their new values.
      {{{"Color", {}}}, modeltest::noAttribute("Color", "ChannelSettings"),
       "hidden -0.5 0.75 4.0 -144.0 1.5707963267948966 0.0 0.0 1.0 | 3 -1 0 1"},
      {{{"ChannelMode", "0"}}, badMode("0"), "visible 0.25 0.5 255.0 -144.0 1.0 -1.0 10.0 0.5 | 3 4 0 1"},
      {{{"ChannelMode", "5"}}, badMode("5"), "visible 0.25 0.5 255.0 -144.0 1.0 -1.0 10.0 0.5 | 3 4 0 1"},
      {{{"GroupID", {}}}, modeltest::noAttribute("GroupID", "ChannelSettings"),
       "visible 0.25 0.5 255.0 -6.0 1.0 -1.0 10.0 0.5 | 3 4 1 1"},
  };
  for (const auto& c : cases) {
    ChannelSettings channel(1, 1, "Old", 1);
    channel.hide = Hide::hidden;
    channel.setTone(-0.5);
    channel.setMorph(0.75);
    channel.color = device::Color(1, 2, 3, 4);
    EXPECT_EQ(modeltest::errorOf([&] { channel.decode(channelElement(c.changes)); }), c.error);
    EXPECT_EQ(state(channel), c.expected) << channelElement(c.changes)->xmlString();
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
