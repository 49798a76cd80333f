#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Model/ChannelSettings.h"
#include "device/Model/ChannelSettingsList.h"
#include "platform/NumberText.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using namespace device;
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

// The list rules shared by groups, channels and channel-map entries (ListCoding.h), checked in full
// on the channel list; the other lists have a row each for merging and for repeated keys.

// A list element whose channel children carry the given inputs and are named c0, c1, ... in order.
device::ZRXMLElementPtr listElement(const std::vector<std::string>& inputs, ZRXMLElement::Attributes attributes) {
  auto xml = std::make_shared<ZRXMLElement>("ChannelSettingsList", std::nullopt, std::move(attributes));
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    const auto name = std::string("c").append(std::to_string(k));  // "c" + text: a false -Wrestrict in g++ 12
    xml->children.push_back(modeltest::channelElement({{"InputChannel", inputs[k]}, {"Name", name}}));
  }
  return xml;
}

ChannelSettingsList listOf(const std::vector<std::uint64_t>& inputs) {
  ChannelSettingsList list;
  for (const auto input : inputs) list.channelSettings.push_back(std::make_shared<ChannelSettings>(input, 0, "old", 0));
  return list;
}

// "input:name" of each channel, in list order.
std::vector<std::string> summary(const ChannelSettingsList& list) {
  std::vector<std::string> out;
  for (const auto& c : list.channelSettings) out.push_back(std::to_string(c->inputChannel) + ":" + c->name);
  return out;
}

TEST(ChannelSettingsList, MergesChildrenIntoTheChannelsInOrder) {
  const struct {
    std::vector<std::uint64_t> existing;
    std::vector<std::string> children;
    std::vector<std::string> expected;
  } cases[] = {
      {{2, 3}, {"1", "2"}, {"2:c1", "3:old", "1:c0"}},
      {{5, 6, 5}, {"5", "5", "5"}, {"5:c0", "6:old", "5:c1", "5:c2"}},  // the third child is appended
      {{}, {"7", "+07"}, {"7:c0", "7:c1"}},  // channels appended by this read are never matched
  };
  for (const auto& c : cases) {
    ChannelSettingsList list = listOf(c.existing);
    list.decode(listElement(c.children, {{"TotalChannels", "64"}, {"SegmentChannels", "2"}, {"LastSeg", "no"}}));
    EXPECT_EQ(summary(list), c.expected);
    EXPECT_EQ(list.totalChannels + list.segmentChannels + list.lastSeg, 66u);
  }
  // Channels merged before an error keep their changes.
  ChannelSettingsList list = listOf({1});
  EXPECT_EQ(modeltest::errorOf([&] { list.decode(listElement({"1", "2"}, {{"TotalChannels", "5"}})); }),
            modeltest::noAttribute("SegmentChannels", "ChannelSettingsList"));
  EXPECT_EQ(summary(list), (std::vector<std::string>{"1:c0", "2:c1"}));
  EXPECT_EQ(list.totalChannels + list.segmentChannels + list.lastSeg, 134u);
}

TEST(ChannelSettingsList, RewritesItsChildrenReusingEachOldElementOnce) {
  const struct {
    std::vector<std::uint64_t> channels;
    std::vector<std::string> oldInputs;
    std::vector<int> reused;  // per channel: the old element it took, or -1 for a new one
  } cases[] = {
      {{5, 7}, {"7", "9"}, {-1, 0}},
      {{7, 7}, {"7"}, {0, -1}},
      {{7, 7, 7}, {"7", "x", "7"}, {0, 2, -1}},
      {{}, {"1"}, {}},
  };
  for (const auto& c : cases) {
    const auto listXml = listElement(c.oldInputs, {{"TotalChannels", "3"}});
    listXml->children.insert(listXml->children.begin() + 1, std::make_shared<ZRXMLElement>("Other"));
    const auto old = device::children(listXml->children, "ChannelSettings");
    const auto user = modeltest::parse("<User/>");
    user->children.push_back(listXml);
    listOf(c.channels).encode(user);
    ASSERT_EQ(listXml->children.size(), c.channels.size() + 1);
    EXPECT_EQ(listXml->children[0]->elementName, "Other");
    for (std::size_t i = 0; i < c.channels.size(); ++i) {
      const auto& written = listXml->children[i + 1];
      EXPECT_EQ(written->attributes.at("InputChannel"), std::to_string(c.channels[i]));
      EXPECT_EQ(written->attributes.contains("Tone"), c.reused[i] >= 0);
      EXPECT_TRUE(c.reused[i] < 0 || written == old[static_cast<std::size_t>(c.reused[i])]) << i;
    }
    EXPECT_EQ(listXml->attributes.size(), 1u);  // the segment values are not written
  }
  EXPECT_EQ(modeltest::errorOf([] { listOf({1}).encode(modeltest::parse("<Mix><Groups/></Mix>")); }),
            modeltest::noChild("Mix", "ChannelSettingsList"));
}

}  // namespace
