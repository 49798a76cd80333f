#include "device/Model/User.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/device/Model/ModelXml.h"

namespace {

using device::BinauralType;
using device::Group;
using device::Hide;
using device::RenderMode;
using device::StereoType;
using device::User;
using modeltest::errorOf;
using modeltest::parse;

std::vector<std::string> groupSummary(const User& user) {
  std::vector<std::string> out;
  for (const auto& g : user.groups) out.push_back(std::to_string(g->id) + ":" + g->name);
  return out;
}

TEST(User, ReadsOptionalAttributesAndIgnoresWhatDoesNotConvert) {
  const auto fresh = User::fromXml(parse("<User/>"));
  EXPECT_EQ(fresh->name, "");
  EXPECT_EQ(fresh->icon, "inst_x1");
  EXPECT_EQ(fresh->outChannelLeft, 0u);
  EXPECT_EQ(fresh->hardwareInputs, 128u);
  EXPECT_EQ(fresh->channelPeakGaindB, 10.0);
  EXPECT_EQ(fresh->mode, RenderMode::threeD);
  EXPECT_EQ(fresh->sType, StereoType::brevan1);
  EXPECT_EQ(fresh->bType, BinauralType::velto);
  EXPECT_TRUE(fresh->groups.empty());
  EXPECT_TRUE(fresh->channelSettingsList->channelSettings.empty());

  User user("Old", 1, 2, 6);
  user.mode = RenderMode::mono;
  user.decode(parse(R"(<User Name="Mix 2" Mode="7" MixHide="3" SType="x" HardwareInputs="-1" PhaseInvert="yes"
                      OutChannelLeft="3" BType="STEREOV3-200" Tracker="t" OutputLeveldB="-3.5"/>)"));
  EXPECT_EQ(user.name, "Mix 2");
  EXPECT_EQ(user.mode, RenderMode::mono);
  EXPECT_EQ(user.mixHide, Hide::visible);
  EXPECT_EQ(user.sType, StereoType::brevan1);
  EXPECT_EQ(user.hardwareInputs, 6u);
  EXPECT_TRUE(user.phaseInvert);
  EXPECT_EQ(user.outChannelLeft, 3u);
  EXPECT_EQ(user.outChannelRight, 2u);
  EXPECT_EQ(user.bType, BinauralType::ortf200);
  EXPECT_EQ(user.tracker, "t");
  EXPECT_EQ(user.outputLeveldB, -3.5);
}

TEST(User, MergesGroupsByIdAndStopsAtAGroupThatDoesNotRead) {
  User user("U", 1, 2, 2);
  user.groups = {std::make_shared<Group>(5, "old"), std::make_shared<Group>(9, "old")};
  user.decode(parse(R"(<User><Groups><Group ID="2" Name="b" Icon="i" Colour="ff"/>
                      <Group ID="5" Name="a" Icon="i" Colour="ff"/></Groups><Groups/></User>)"));
  EXPECT_EQ(groupSummary(user), (std::vector<std::string>{"5:a", "9:old", "2:b"}));

  EXPECT_EQ(errorOf([&] { user.decode(parse(R"(<User Name="New"><Groups><Group ID="3"/></Groups></User>)")); }),
            R"(attribute "Name" not found for "Group")");
  EXPECT_EQ(user.name, "New");
  EXPECT_EQ(user.groups.size(), 3u);
}

TEST(User, WritesItsAttributesThenGroupsAndChannels) {
  const auto xml = parse(R"(<User Extra="e"><ChannelSettingsList/><Groups>
      <Group ID="3" Name="x" Note="n"/><Group ID="3" Name="y"/><Group ID="z"/></Groups></User>)");
  const auto oldGroups = xml->children[1]->children;
  User user("Mix 1", 1, 2, 6);
  user.groups = {std::make_shared<Group>(3, "A"), std::make_shared<Group>(3, "B"), std::make_shared<Group>(3, "C")};
  user.encode(xml);
  const auto& a = xml->attributes;
  EXPECT_EQ(a.at("Icon") + a.at("MixHide") + a.at("ChannelPeakGaindB") + a.at("Mode"), "inst_x10" "10.0" "3");
  EXPECT_EQ(a.at("SType") + "/" + a.at("BType"), "STEREOB1/BINAURAL");
  EXPECT_EQ(a.at("Extra"), "e");
  const auto& groups = xml->children[1]->children;
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0], oldGroups[0]);
  EXPECT_EQ(groups[0]->attributes.at("Note"), "n");
  EXPECT_EQ(groups[1], oldGroups[1]);
  EXPECT_EQ(groups[1]->attributes.at("Name"), "B");
  EXPECT_EQ(groups[2]->attributes.at("Name"), "C");

  const struct {
    const char* xml;
    const char* error;
  } failures[] = {
      {"<Mix><ChannelSettingsList/></Mix>", R"(User does not contain child "Groups")"},
      {"<Mix><Groups/></Mix>", R"(Mix does not contain child "ChannelSettingsList")"},
  };
  for (const auto& f : failures) {
    const auto target = parse(f.xml);
    EXPECT_EQ(errorOf([&] { user.encode(target); }), f.error);
    EXPECT_EQ(target->attributes.at("Name"), "Mix 1");
  }
}

TEST(User, EqualityAndCopy) {
  User a("Mix", 1, 2, 3);
  User b("Mix", 5, 6, 7);
  b.channelSettingsList->channelSettings.push_back(std::make_shared<device::ChannelSettings>(1, 0, "c", 0));
  EXPECT_EQ(a, b);
  b.phaseInvert = true;
  EXPECT_FALSE(a == b);
  EXPECT_EQ(b.description(), "Mix");

  b.groups = {std::make_shared<Group>(1, "g")};
  const auto copy = device::deepCopy(std::make_shared<User>(b));
  EXPECT_EQ(*copy, b);
  EXPECT_EQ(copy->outChannelRight, 6u);
  EXPECT_NE(copy->groups[0], b.groups[0]);
  EXPECT_NE(copy->channelSettingsList, b.channelSettingsList);
  EXPECT_NE(copy->channelSettingsList->channelSettings[0], b.channelSettingsList->channelSettings[0]);
}

}  // namespace
