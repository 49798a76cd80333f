#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Model/ChannelSettingsList.h"
#include "tests/device/Model/ModelXml.h"

// The list rules shared by groups, channels and channel-map entries (ListCoding.h), checked in full
// on the channel list; the other lists have a row each for merging and for repeated keys.

namespace {

using device::ChannelSettings;
using device::ChannelSettingsList;
using device::ZRXMLElement;

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
