#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "device/Model/ChannelSettings.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelSettings;
using device::Hide;
using modeltest::channelElement;
using modeltest::errorOf;
constexpr double pi = std::numbers::pi;

TEST(ChannelSettings, DecodesToleratedAndRequiredAttributesAndClampsAtTheEdges) {
  using Field = double (*)(const ChannelSettings&);
  const Field hidden = [](const ChannelSettings& c) { return c.hide == Hide::hidden ? 1.0 : 0.0; };
  const Field tone = [](const ChannelSettings& c) { return c.tone(); };
  const Field morph = [](const ChannelSettings& c) { return c.morph(); };
  const Field gain = [](const ChannelSettings& c) { return c.channelGaindB(); };
  const Field width = [](const ChannelSettings& c) { return c.widthOffset(); };
  const Field r = [](const ChannelSettings& c) {
    return std::isnan(c.r()) ? 99 : std::copysign(7, c.r());
  };
  const struct {
    modeltest::Changes changes;
    const char* error;
    Field field;
    double expected;
  } cases[] = {
      {{}, "no error", [](const ChannelSettings& c) { return double(c.linkedStereoChannel); }, 4},
      {{{"Hide", "5"}}, "no error", hidden, 1},
      {{{"Tone", "x"}}, "no error", tone, -0.5},
      {{{"Morph", ""}}, "no error", morph, 0.75},
      {{{"Color", "zz"}},
       "no error",
       [](const ChannelSettings& c) { return double(c.color.a()); },
       4},
      {{{"ChannelGaindB", "-200"}}, "no error", gain, -144},
      {{{"Theta", "4"}}, "no error", [](const ChannelSettings& c) { return c.theta(); }, pi},
      {{{"Phi", "-4"}}, "no error", [](const ChannelSettings& c) { return c.phi(); }, -pi},
      {{{"WidthOffset", "120"}}, "no error", width, 90},
      {{{"WidthOffset", "-90"}}, "no error", width, -90},
      {{{"Tone", "2"}}, "no error", tone, 1},
      {{{"Morph", "-1"}}, "no error", morph, 0},
      {{{"R", "-0.0"}}, "no error", r, 7},  // the bound 0.0, not -0.0
      {{{"R", "nan"}}, "no error", r, 99},
      {{{"Color", {}}},
       R"(attribute "Color" not found for "ChannelSettings")",
       [](const ChannelSettings& c) { return double(c.inputChannel); },
       3},
      {{{"ChannelMode", "0"}},
       R"(value "0" of attribute ChannelSettings.ChannelMode could not be converted to the expected type.)",
       width,
       10},
      {{{"ChannelMode", "5"}},
       R"(value "5" of attribute ChannelSettings.ChannelMode could not be converted to the expected type.)",
       gain,
       -144},
      {{{"GroupID", {}}},
       R"(attribute "GroupID" not found for "ChannelSettings")",
       [](const ChannelSettings& c) { return c.mute + c.groupID * 10.0; },
       11},
  };
  for (const auto& c : cases) {
    ChannelSettings channel(1, 1, "Old", 1);
    channel.hide = Hide::hidden;
    channel.setTone(-0.5);
    channel.setMorph(0.75);
    channel.color = device::Color(1, 2, 3, 4);
    EXPECT_EQ(errorOf([&] { channel.decode(channelElement(c.changes)); }), c.error);
    EXPECT_EQ(c.field(channel), c.expected) << channelElement(c.changes)->xmlString();
  }
  const auto fresh =
      ChannelSettings::fromXml(channelElement({{"Hide", {}}, {"Tone", {}}, {"Morph", {}}}));
  EXPECT_EQ(fresh->hide, Hide::visible);
  EXPECT_EQ(fresh->tone() + fresh->morph(), 0.0);
}

TEST(ChannelSettings, EncodesCanonicalTextsAndLeavesToneAndMorph) {
  ChannelSettings channel(9, 0, "Keys", 15);
  const auto fresh = std::make_shared<device::ZRXMLElement>("ChannelSettings");
  channel.encode(fresh);
  EXPECT_EQ(
      fresh->xmlString(),
      "<ChannelSettings ChannelGaindB=\"-144.0\" ChannelMode=\"3\" Color=\"ff702482\" "
      "GroupID=\"15\" "
      "Hide=\"0\" Icon=\"singer\" Index=\"0\" InputChannel=\"9\" LinkedStereoChannel=\"-1\" "
      "Mute=\"0\" "
      "Name=\"Keys\" Phi=\"0.0\" R=\"1.0\" Solo=\"0\" Theta=\"1.5707963267948966\" Visible=\"1\" "
      "WidthOffset=\"0.0\"/>");
  channel.hide = Hide::hidden;
  channel.setTone(-1);
  const auto old = channelElement();
  channel.encode(old);
  EXPECT_EQ(old->attributes.at("Hide") + " " + old->attributes.at("Tone") + " " +
                old->attributes.at("Morph"),
            "20 0.25 0.5");

  const auto written = [](const ChannelSettings& c) {
    const auto xml = std::make_shared<device::ZRXMLElement>("C");
    c.encode(xml);
    return xml->xmlString();
  };
  const auto copy = device::deepCopy(std::make_shared<ChannelSettings>(channel));
  EXPECT_EQ(written(*copy), written(channel));
  EXPECT_EQ(copy->tone(), -1.0);
}

TEST(ChannelSettings, AzimuthStaysWithinItsRange) {
  ChannelSettings channel(1, 0, "", 0);
  channel.setAzimuth(270);
  EXPECT_EQ(channel.azimuth(), 180.0);
  channel.setAzimuth(-200);
  EXPECT_EQ(channel.azimuth(), -180.0);
}

}  // namespace
