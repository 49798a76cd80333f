#include "device/Model/ChannelSettingsList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelSettings;
using device::ChannelSettingsList;
using device::ZRXMLElement;
using modeltest::errorOf;
using modeltest::parse;

// A channel element named after its input and its position among the children ("c<k>").
std::string channelXml(const std::string& input, std::size_t position, const std::string& extra = "") {
  return "<ChannelSettings InputChannel=\"" + input + "\" Index=\"0\" Name=\"c" + std::to_string(position) +
         "\" Icon=\"i\" Color=\"ff000000\" Visible=\"1\" LinkedStereoChannel=\"-1\" R=\"1\" Theta=\"1\" "
         "Phi=\"0\" WidthOffset=\"0\" ChannelMode=\"3\" ChannelGaindB=\"0\" Solo=\"0\" Mute=\"0\" GroupID=\"0\"" +
         extra + "/>";
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
    const char* what;
    std::vector<std::uint64_t> existing;
    std::vector<std::string> children;  // InputChannel texts
    std::vector<std::string> expected;
  } cases[] = {
      {"update, keep, append", {2, 3}, {"1", "2"}, {"2:c1", "3:old", "1:c0"}},
      {"a repeated child key is appended", {4}, {"4", "4"}, {"4:c0", "4:c1"}},
      {"a repeated channel key is matched once per child", {5, 5}, {"5"}, {"5:c0", "5:old"}},
      {"both repeated", {5, 6, 5}, {"5", "5", "5"}, {"5:c0", "6:old", "5:c1", "5:c2"}},
      {"appended channels are never matched", {}, {"7", "7"}, {"7:c0", "7:c1"}},
      {"keys compare as numbers", {8}, {"+08"}, {"8:c0"}},
  };
  for (const auto& c : cases) {
    std::string xml = R"(<ChannelSettingsList TotalChannels="64" SegmentChannels="2" LastSeg="no">)";
    for (std::size_t k = 0; k < c.children.size(); ++k) xml += channelXml(c.children[k], k);
    ChannelSettingsList list = listOf(c.existing);
    list.decode(parse(xml + "<Other/></ChannelSettingsList>"));
    EXPECT_EQ(summary(list), c.expected) << c.what;
    EXPECT_EQ(list.totalChannels, 64u);
    EXPECT_EQ(list.segmentChannels, 2u);
    EXPECT_FALSE(list.lastSeg);
  }
}

TEST(ChannelSettingsList, SegmentValuesAreRequiredAfterTheChannels) {
  ChannelSettingsList list = listOf({1});
  EXPECT_EQ(errorOf([&] { list.decode(parse("<L>" + channelXml("1", 0) + channelXml("2", 1) + "</L>")); }),
            R"(attribute "TotalChannels" not found for "L")");
  EXPECT_EQ(summary(list), (std::vector<std::string>{"1:c0", "2:c1"}));
  EXPECT_EQ(list.totalChannels, 128u);
  EXPECT_TRUE(list.lastSeg);

  EXPECT_EQ(errorOf([&] { list.decode(parse("<L>" + channelXml("x", 0) + "</L>")); }),
            R"(value "x" of attribute ChannelSettings.InputChannel could not be converted to the expected type.)");
  EXPECT_EQ(list.channelSettings.size(), 2u);
}

TEST(ChannelSettingsList, RewritesItsChildrenReusingEachOldElementOnce) {
  const struct {
    const char* what;
    std::vector<std::uint64_t> channels;
    std::vector<std::string> oldInputs;
    std::vector<int> reused;  // per channel: the position of the old element it took, or -1 for a new one
  } cases[] = {
      {"new, reused, dropped", {5, 7}, {"7", "9"}, {-1, 0}},
      {"a repeated channel key takes one old element each", {7, 7}, {"7"}, {0, -1}},
      {"repeated on both sides", {7, 7, 7}, {"7", "x", "7"}, {0, 2, -1}},
      {"nothing to write", {}, {"1"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string xml = R"(<User><ChannelSettingsList TotalChannels="3" SegmentChannels="3" LastSeg="1">)";
    for (std::size_t k = 0; k < c.oldInputs.size(); ++k) xml += channelXml(c.oldInputs[k], k, " Tone=\"0.5\"");
    const auto user = parse(xml + "<Other/></ChannelSettingsList></User>");
    const auto listXml = user->children[0];
    const ZRXMLElement::Children old = device::children(listXml->children, "ChannelSettings");
    const std::string segments = listXml->attributes.at("TotalChannels") + listXml->attributes.at("LastSeg");
    listOf(c.channels).encode(user);

    ASSERT_EQ(listXml->children.size(), c.channels.size() + 1);
    EXPECT_EQ(listXml->children[0]->elementName, "Other");
    for (std::size_t i = 0; i < c.channels.size(); ++i) {
      const auto& written = listXml->children[i + 1];
      EXPECT_EQ(written->attributes.at("InputChannel"), std::to_string(c.channels[i]));
      if (c.reused[i] < 0) {
        EXPECT_FALSE(written->attributes.contains("Tone"));
      } else {
        EXPECT_EQ(written, old[static_cast<std::size_t>(c.reused[i])]);
        EXPECT_EQ(written->attributes.at("Tone"), "0.5");
      }
    }
    EXPECT_EQ(listXml->attributes.at("TotalChannels") + listXml->attributes.at("LastSeg"), segments);
  }
  EXPECT_EQ(errorOf([] { listOf({1}).encode(parse("<Mix><Groups/></Mix>")); }),
            R"(Mix does not contain child "ChannelSettingsList")");
}

TEST(ChannelSettingsList, CopyHasItsOwnChannels) {
  ChannelSettingsList source = listOf({1, 2});
  source.totalChannels = 6;
  source.lastSeg = false;
  const auto copy = device::deepCopy(std::make_shared<ChannelSettingsList>(source));
  EXPECT_EQ(summary(*copy), summary(source));
  EXPECT_EQ(copy->totalChannels, 6u);
  EXPECT_FALSE(copy->lastSeg);
  copy->channelSettings[0]->name = "changed";
  EXPECT_EQ(source.channelSettings[0]->name, "old");
  EXPECT_TRUE(device::deepCopy(std::make_shared<ChannelSettingsList>())->channelSettings.empty());
}

}  // namespace
