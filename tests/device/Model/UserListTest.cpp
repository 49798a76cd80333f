#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "device/Model/UserList.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using device::ChannelSettings;
using device::User;
using device::UserList;
using device::ZRXMLElement;
using modeltest::collectUnknown;
using modeltest::errorOf;
using modeltest::parse;

// A preset's user list as devices send it. Names beginning with "x" (attributes) or "X" (elements)
// are unknown to the model; Tone, Morph and the segment values are read but never written.
constexpr const char* document = R"(<UserList xFw="9"><XInfo>kept</XInfo>
  <User Name="Mix 1" xCustom="u1"><XMeter xPeak="-3"/>
    <Groups xLayout="grid"><Group ID="0" Name="G1" Icon="i" Colour="ff702482" xPin="1"/><XNote/>
      <Group ID="1" Name="G2" Icon="i" Colour="FF822473"/></Groups>
    <ChannelSettingsList TotalChannels="2" SegmentChannels="2" LastSeg="1" xRev="4">
      <ChannelSettings InputChannel="1" Index="0" Name="CH 1" Icon="s" Color="ff702482" Visible="1" LinkedStereoChannel="-1"
        Hide="0" Tone="0.3" Morph="0.7" R="1" Theta="1" Phi="0" WidthOffset="0" ChannelMode="3" ChannelGaindB="-144"
        Solo="0" Mute="0" GroupID="0" xEq="flat"><XFx xA="1"/></ChannelSettings>
      <ChannelSettings InputChannel="2" Index="1" Name="CH 2" Icon="s" Color="ff702482" Visible="yes" LinkedStereoChannel="-1"
        R="1" Theta="1" Phi="0" WidthOffset="0" ChannelMode="3" ChannelGaindB="-6" Solo="0" Mute="false" GroupID="1"/>
    </ChannelSettingsList></User>
  <User Name="Mix 2" xCustom="u2"><Groups/><ChannelSettingsList TotalChannels="0" SegmentChannels="0" LastSeg="1"/></User>
  <RemoteSettings xKind="k"><InputMap><Channel Local="0" Remote="999" xTag="t"/><Channel Local="1" Remote="3"/></InputMap>
    <OutputMap xSide="L"/></RemoteSettings>
</UserList>)";

TEST(UserList, ReadModifyWriteKeepsEveryUnknownElementAndAttribute) {
  const auto xml = parse(document);
  std::set<std::string> before, after;
  collectUnknown(*xml, before);
  ASSERT_EQ(before.size(), 24u);
  const auto list = UserList::fromXml(xml);
  ASSERT_EQ(list->users.size() + list->users[0]->channelSettingsList->channelSettings.size(), 4u);
  EXPECT_EQ(list->users[0]->channelSettingsList->channelSettings[0]->tone(), 0.3);

  list->users[0]->name = "Lead";
  list->users[0]->groups[1]->colour = device::Color(1, 2, 3, 255);
  list->users[0]->channelSettingsList->channelSettings[1]->setChannelGaindB(50);
  list->users[1]->channelSettingsList->channelSettings.push_back(std::make_shared<ChannelSettings>(4, 0, "new", 0));
  list->remoteSettings->mapInput(1, 5);
  list->encode(xml);

  const auto reread = parse(xml->xmlString());
  collectUnknown(*reread, after);
  EXPECT_EQ(after, before);
  const auto again = UserList::fromXml(reread);
  EXPECT_EQ(again->users[0]->name, "Lead");
  EXPECT_EQ(again->users[0]->groups[1]->colour.argbHex(), "ff010203");
  EXPECT_EQ(again->users[0]->channelSettingsList->channelSettings[1]->channelGaindB(), 12.0);
  EXPECT_EQ(again->users[1]->channelSettingsList->channelSettings.at(0)->name, "new");
  EXPECT_EQ(again->remoteSettings->inputRemote(1), 5u);
}

TEST(UserList, ReadsUsersByPosition) {
  UserList list;
  list.users = {std::make_shared<User>("a", 1, 2, 2), std::make_shared<User>("b", 3, 4, 2)};
  const auto first = list.users[0];
  list.decode(parse(R"(<UserList><User Name="x"/><User Icon="i"/><User Name="c"/></UserList>)"));
  ASSERT_EQ(list.users.size(), 3u);
  EXPECT_EQ(list.users[0], first);
  EXPECT_EQ(list.users[0]->name + list.users[1]->name + list.users[2]->name, "xbc");
}

// A failed user leaves the element as it was; a missing "RemoteSettings" fails after the users.
TEST(UserList, WritesUsersByPositionAllOrNothing) {
  const char* three = R"(<UserList><User Old="0"><Groups/><ChannelSettingsList/></User>
      <RemoteSettings><InputMap/><OutputMap/></RemoteSettings>
      <User Old="1"><Groups/><ChannelSettingsList/></User><User Old="2"/></UserList>)";
  const char* one = R"(<UserList><User Old="0"><Groups/><ChannelSettingsList/></User></UserList>)";
  const auto noGroups = modeltest::noChild("User", "Groups");
  const struct {
    const char* xml;
    std::size_t users;
    std::string error;
    std::vector<std::string> children;  // element names, with "Old" for old users; none: unchanged
  } cases[] = {
      {three, 2, "", {"RemoteSettings", "User0", "User1"}},
      {three, 0, "", {"RemoteSettings"}},
      {three, 3, noGroups, {}},  // the third old element lacks its children
      {one, 2, noGroups, {}},    // more users than elements
      {one, 1, modeltest::noChild("UserList", "RemoteSettings"), {"User0"}},
  };
  for (const auto& c : cases) {
    UserList list;
    for (std::size_t i = 0; i < c.users; ++i) list.users.push_back(std::make_shared<User>("u", 1, 2, 2));
    const auto xml = parse(c.xml);
    const std::string text = xml->xmlString();
    EXPECT_EQ(errorOf([&] { list.encode(xml); }), c.error);
    if (c.children.empty()) {
      EXPECT_EQ(xml->xmlString(), text);
      continue;
    }
    std::vector<std::string> names;
    for (const auto& child : xml->children) {
      const auto& a = child->attributes;
      names.push_back(child->elementName + (a.contains("Old") ? a.at("Old") : ""));
      EXPECT_TRUE(child->elementName != "User" || a.at("Name") == "u");
    }
    EXPECT_EQ(names, c.children);
  }
}

TEST(UserList, CopiesShareNothing) {
  const auto written = [](UserList& list) {
    const auto xml = parse(document);
    list.encode(xml);
    return xml->xmlString();
  };
  const auto source = UserList::fromXml(parse(document));
  const std::string sourceText = written(*source);
  const auto copy = device::deepCopy(source);
  EXPECT_EQ(written(*copy), sourceText);

  copy->users[0]->name = "changed";
  copy->users[0]->groups[0]->colour = device::Color(0, 0, 0, 0);
  copy->users[0]->channelSettingsList->channelSettings[0]->setChannelGaindB(0);
  copy->remoteSettings->inputMap[1]->remote = 7;
  EXPECT_EQ(written(*source), sourceText);
  source->users[1]->icon = "source changed";
  source->remoteSettings->outputMap.push_back(std::make_shared<device::ChannelMap>(1, 1));
  EXPECT_EQ(copy->users[1]->icon, "inst_x1");
  EXPECT_TRUE(copy->remoteSettings->outputMap.empty());
  EXPECT_EQ(device::deepCopy(std::shared_ptr<UserList>{}), nullptr);
}

}  // namespace
