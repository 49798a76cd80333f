#include <gtest/gtest.h>

#include <string>

#include "device/Model/Group.h"
#include "device/Model/User.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::Group;
using device::User;
using modeltest::errorOf;
using modeltest::noAttribute;
using modeltest::parse;

std::string groupSummary(const User& user) {
  std::string out;
  for (const auto& g : user.groups) out += std::to_string(g->id) + ":" + g->name + " ";
  return out;
}

// Groups are read and written as parts of a user.
TEST(Group, ReadsItsAttributesAndWritesThemBackCanonically) {
  const struct {
    const char* attributes;
    std::string errorOrWritten;  // the error, or what the group writes into a new element
  } cases[] = {
      {R"(ID="2" Name="B" Icon="i" Colour="FF0000FF")", R"(<Group Colour="ff0000ff" ID="2" Icon="i" Name="B"/>)"},
      {R"(ID="-1" Name="B" Icon="i" Colour="zz")", R"(<Group Colour="ff702482" ID="-1" Icon="i" Name="B"/>)"},
      {R"(ID="2" Name="B" Icon="i" Colour="ff0000")", R"(<Group Colour="00ff0000" ID="2" Icon="i" Name="B"/>)"},
      {R"(ID="2" Name="B" Colour="ff")", noAttribute("Icon", "Group")},
      {R"(ID="2" Icon="i" Colour="ff")", noAttribute("Name", "Group")},
      {R"(ID="2" Name="B" Icon="i")", noAttribute("Colour", "Group")},
      {R"(Icon="i" Colour="ff")", noAttribute("ID", "Group")},  // "ID" is read first
      {R"(ID="2.0" Name="B" Icon="i" Colour="ff")", modeltest::badValue("2.0", "Group.ID")},
  };
  for (const auto& c : cases) {
    const auto xml = std::make_shared<device::ZRXMLElement>("Group");
    const std::string error = errorOf([&] {
      Group::fromXml(parse(std::string("<Group ") + c.attributes + "/>"))->encode(xml);
    });
    EXPECT_EQ(error.empty() ? xml->xmlString() : error, c.errorOrWritten);
  }
}

TEST(User, ReadsOptionalAttributesAndMergesGroupsById) {
  const auto fresh = User::fromXml(parse("<User/>"));
  EXPECT_EQ(fresh->name + fresh->icon + std::to_string(fresh->outChannelLeft + fresh->hardwareInputs), "inst_x1128");

  User user("Old", 1, 2, 6);
  user.mode = device::RenderMode::mono;
  user.groups = {std::make_shared<Group>(5, "old"), std::make_shared<Group>(9, "old")};
  user.decode(parse(R"(<User Name="Mix 2" Mode="7" MixHide="3" SType="x" HardwareInputs="-1" PhaseInvert="yes"
      BType="STEREOV3-200"><Groups><Group ID="2" Name="b" Icon="i" Colour="ff"/>
      <Group ID="5" Name="a" Icon="i" Colour="ff"/></Groups><Groups/></User>)"));
  EXPECT_TRUE(user.mode == device::RenderMode::mono && user.mixHide == device::Hide::visible &&
              user.sType == device::StereoType::brevan1 && user.bType == device::BinauralType::ortf200 &&
              user.phaseInvert);
  EXPECT_EQ(user.name + " " + std::to_string(user.hardwareInputs) + " " + groupSummary(user), "Mix 2 6 5:a 9:old 2:b ");
  // Attributes read before a failing group keep their new values.
  EXPECT_EQ(errorOf([&] { user.decode(parse(R"(<User Name="New"><Groups><Group ID="3"/></Groups></User>)")); }),
            noAttribute("Name", "Group"));
  EXPECT_EQ(user.name + " " + groupSummary(user), "New 5:a 9:old 2:b ");
}

TEST(User, WritesAttributesThenGroupsReusingEachOldGroupOnce) {
  const auto xml = parse(R"(<User Extra="e"><ChannelSettingsList/><Groups>
      <Group ID="3" Name="x" Note="n"/><Group ID="3" Name="y"/><Group ID="z"/></Groups></User>)");
  const auto oldGroups = xml->children[1]->children;
  User user("Mix 1", 1, 2, 6);
  user.groups = {std::make_shared<Group>(3, "A"), std::make_shared<Group>(3, "B"), std::make_shared<Group>(3, "C")};
  user.encode(xml);
  const auto& a = xml->attributes;
  EXPECT_EQ(a.at("Icon") + a.at("MixHide") + a.at("ChannelPeakGaindB") + a.at("Mode") + a.at("Extra"),
            "inst_x1010.03e");
  EXPECT_EQ(a.at("SType") + "/" + a.at("BType"), "STEREOB1/BINAURAL");
  const auto& groups = xml->children[1]->children;
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_TRUE(groups[0] == oldGroups[0] && groups[1] == oldGroups[1]);
  EXPECT_EQ(groups[0]->attributes.at("Note") + groups[1]->attributes.at("Name") + groups[2]->attributes.at("Name"),
            "nBC");

  for (const auto& [text, error] :
       {std::pair{"<Mix><ChannelSettingsList/></Mix>", modeltest::noChild("User", "Groups")},
        std::pair{"<Mix><Groups/></Mix>", modeltest::noChild("Mix", "ChannelSettingsList")}}) {
    const auto target = parse(text);
    EXPECT_EQ(errorOf([&] { user.encode(target); }), error);
    EXPECT_EQ(target->attributes.at("Name"), "Mix 1");
  }
}

}  // namespace
