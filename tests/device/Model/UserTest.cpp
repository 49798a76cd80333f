#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/Model/ChannelSettings.h"
#include "device/Model/ChannelSettingsList.h"
#include "device/Model/Group.h"
#include "device/Model/User.h"
#include "device/Model/UserInfo.h"
#include "device/Model/UserList.h"
#include "platform/NumberText.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using namespace device;
using modeltest::errorOf;
using modeltest::noAttribute;
using modeltest::parse;
using osc::OSCValue;
using Values = std::vector<OSCValue>;
using Changes = std::vector<std::pair<std::size_t, OSCValue>>;
using modeltest::collectUnknown;
using modeltest::channelElement;

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

// A well-formed reply of a tamo (18 arguments) with the arguments at the positions of `changes`
// replaced.
Values reply(const Changes& changes = {}) {
  Values v = {"Anna", "inst_x1", std::int32_t{3}, false, "SN123", "192.168.1.20", std::int32_t{9000}, "VELTO:tamo",
              "5.7.13", std::int32_t{0}, std::int32_t{0}, "Stage Rack", std::int32_t{24}, std::int32_t{5},
              std::int32_t{0}, std::int32_t{0}, "0", "UID-1"};
  for (const auto& [position, value] : changes) v[position] = value;
  return v;
}

std::optional<UserInfo> read(Values values) {
  return UserInfo::fromMessage(*osc::OSCMessage::make("/VELTOapp/control/UserInfo", std::move(values)));
}

// The fields a description leaves out: password, mix hide, phase, port, version, reported inputs
// and outputs, the type's mixes x inputs, uid.
std::string summary(const std::optional<UserInfo>& info) {
  if (!info) return "none";
  const auto& u = info->user();
  const auto& d = info->device();
  return std::string(u.requiresPassword() ? "pw " : "") + device::description(u.mixHide()) +
         (u.phaseInvert() ? " inverted " : " ") + std::to_string(d.port()) + " " + d.version().description() +
         " " + std::to_string(d.numberOfInputs()) + "/" + std::to_string(d.numberOfOutputs()) + " " +
         std::to_string(d.type().numberOfMixes()) + "x" + std::to_string(d.type().numberOfInputs()) + " " + d.uid();
}

TEST(UserInfo, ReadsArgumentsByPositionAndRejectsMalformedReplies) {
  using I = std::int32_t;
  const char* plain = "visible 9000 5.7.13 24/5 5x24 UID-1";
  const struct {
    Changes changes;
    const char* expected;
  } cases[] = {
      {{}, plain},
      {{{17, I{1}}}, "none"},  // a uid of another kind
      {{{9, OSCValue::blob({})}, {10, OSCValue::float_(2)}, {14, "z"}}, plain},  // ignored, of any kind
      {{{16, "1"}}, "visible inverted 9000 5.7.13 24/5 5x24 UID-1"},
      {{{16, "true"}}, plain},
      {{{16, I{1}}}, "none"},
      {{{15, I{20}}}, "hidden 9000 5.7.13 24/5 5x24 UID-1"},
      {{{15, I{1}}}, "none"},
      {{{15, "0"}}, "none"},
      {{{6, I{65535}}}, "visible 65535 5.7.13 24/5 5x24 UID-1"},
      {{{6, I{65536}}}, "none"},
      {{{6, I{-1}}}, "none"},
      {{{2, I{-1}}}, "none"},  // user number
      {{{3, I{1}}}, "none"},
      {{{3, true}}, "pw visible 9000 5.7.13 24/5 5x24 UID-1"},
      {{{7, "VELTO:Tamo"}}, "none"},
      {{{8, "5.7"}}, "none"},
      {{{8, I{50713}}}, "none"},
      {{{12, I{-5}}}, "visible 9000 5.7.13 -5/5 5x24 UID-1"},
      {{{13, I{-1}}}, "none"},
      {{{13, I{3}}}, "visible 9000 5.7.13 24/3 5x24 UID-1"},
      {{{7, "VELTO:pelion"}, {13, I{8}}}, "visible 9000 5.7.13 24/8 8x23 UID-1"},
      {{{7, "VELTO:pelion"}, {13, I{17}}}, "none"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(summary(read(reply(cases[i].changes))), cases[i].expected) << "row " << i;

  Values values = reply();
  values.pop_back();
  EXPECT_EQ(summary(read(values)), "none");  // 17 arguments
  values = reply({{17, "UID-24"}});
  values.insert(values.begin() + 17, {OSCValue::blob({1}), OSCValue::float_(1), true, OSCValue::int64(1), "x", "y",
                                      "z"});
  EXPECT_EQ(summary(read(values)), "visible 9000 5.7.13 24/5 5x24 UID-24");
}

TEST(UserInfo, DescribesAndComparesByIdentity) {
  const auto info = read(reply());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description(), "Anna #3 Stage Rack - 192.168.1.20:9000 VELTO:tamo:UID-1");
  // Address, name and version are not part of the device's identity.
  for (const Changes& same : {Changes{{5, "10.0.0.7"}}, Changes{{11, "Renamed"}}, Changes{{8, "5.8.0"}}})
    EXPECT_EQ(*read(reply(same)), *info);
  EXPECT_NE(read(reply({{4, "SN124"}}))->device(), info->device());
  EXPECT_NE(read(reply({{16, "1"}}))->user(), info->user());
  EXPECT_NE(*read(reply({{16, "1"}})), *info);
}

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
