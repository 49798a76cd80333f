#include "device/Presets/Preset.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <re2/re2.h>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "device/Model/PresetName.h"
#include "device/Model/PresetNameList.h"
#include "device/Model/UnicodePattern.h"
#include "device/Presets/PresetData.h"
#include "device/Presets/PresetSegMessage.h"
#include "device/Presets/PresetSegment.h"
#include "device/Presets/PresetSegmentMessages.h"
#include "device/XML/ZRXMLEncodingError.h"
#include "device/XML/ZRXMLParser.h"
#include "gzip/Gzip.h"
#include "tests/device/Model/ModelXml.h"

namespace {

using namespace device;
using modeltest::collectUnknown;
using modeltest::errorOf;
using modeltest::noAttribute;
using modeltest::noChild;
using modeltest::parse;
using osc::OSCValue;
using Bytes = std::vector<std::uint8_t>;
using std::nullopt;
using Names = std::vector<std::string>;

// A preset document as devices send it; names beginning with "x"/"X" are unknown to the model.
constexpr const char* document = R"(<BinauralMonitorSettings Name="Live_[bkup_2024-01-01] *[2024-02-03T04:05:06.789Z]"
    Version="5.6.1" xDevice="proc"><XRouting xMode="a">r</XRouting>
  <UserList xFw="9">
    <User Name="Mix 1" xCustom="u1">
      <Groups><Group ID="0" Name="G1" Icon="i" Colour="ff010101"/><Group ID="1" Name="G2" Icon="i" Colour="ff020202"/>
        <Group ID="3" Name="G4" Icon="i" Colour="ff040404"/></Groups>
      <ChannelSettingsList TotalChannels="3" SegmentChannels="3" LastSeg="1">
        <ChannelSettings InputChannel="1" Index="0" Name="A" Icon="s" Color="ff0000ff" Visible="1" LinkedStereoChannel="-1"
          R="1" Theta="1" Phi="0" WidthOffset="0" ChannelMode="3" ChannelGaindB="0" Solo="0" Mute="0" GroupID="3" xEq="1"/>
        <ChannelSettings InputChannel="2" Index="1" Name="B" Icon="s" Color="ff0000ff" Visible="1" LinkedStereoChannel="-1"
          R="1" Theta="1" Phi="0" WidthOffset="0" ChannelMode="3" ChannelGaindB="0" Solo="0" Mute="0" GroupID="0"/>
        <ChannelSettings InputChannel="3" Index="2" Name="C" Icon="s" Color="ff0000ff" Visible="1" LinkedStereoChannel="-1"
          R="1" Theta="1" Phi="0" WidthOffset="0" ChannelMode="3" ChannelGaindB="0" Solo="0" Mute="0" GroupID="20"/>
      </ChannelSettingsList></User>
    <RemoteSettings><InputMap/><OutputMap/></RemoteSettings>
  </UserList>
</BinauralMonitorSettings>)";

std::string textOf(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::set<std::string> unknownParts(const device::ZRXMLElementPtr& root) {
  std::set<std::string> parts;
  collectUnknown(*root, parts);
  return parts;
}

TEST(Preset, ReadWriteKeepsUnknownPartsAndRegroupsChannels) {
  const auto xml = parse(document);
  const auto before = unknownParts(xml);
  const auto preset = Preset::fromXml(xml);
  EXPECT_EQ(preset->name.name, "Live");
  EXPECT_EQ(preset->name.backupDate, "2024-01-01");
  EXPECT_EQ(preset->version, "5.6.1");
  ASSERT_EQ(preset->userList->users.size(), 1u);

  const std::string text = textOf(preset->xmlData());
  ASSERT_TRUE(text.starts_with(R"(<?xml version="1.0" encoding="UTF-8"?><BinauralMonitorSettings )")) << text;
  const auto reread = device::ZRXMLParser::parseDocument(std::string_view(text));
  EXPECT_EQ(unknownParts(reread), before);
  EXPECT_EQ(reread->attributes.at("Name"), "Live");  // the plain name only

  // Group order 0, 1, 3: the group-0 channel first, then group 3; group 20 has no group and goes.
  const auto again = Preset::fromXml(reread);
  const auto& channels = again->userList->users[0]->channelSettingsList->channelSettings;
  ASSERT_EQ(channels.size(), 2u);
  EXPECT_EQ(channels[0]->name + std::to_string(channels[0]->index), "B0");
  EXPECT_EQ(channels[1]->name + std::to_string(channels[1]->index), "A1");
}

TEST(Preset, ReadingAndWritingErrors) {
  const struct {
    const char* document;
    std::string expected;
  } cases[] = {
      {R"(<BinauralMonitorSettings Version="1"><UserList/></BinauralMonitorSettings>)",
       noAttribute("Name", "BinauralMonitorSettings")},
      {R"(<BinauralMonitorSettings Name="A"><UserList/></BinauralMonitorSettings>)",
       noAttribute("Version", "BinauralMonitorSettings")},
      {R"(<BinauralMonitorSettings Name="A" Version="1"><UserList><RemoteSettings><InputMap/></RemoteSettings></UserList></BinauralMonitorSettings>)",
       noChild("RemoteSettings", "OutputMap")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(errorOf([&] { Preset::fromXml(parse(c.document)); }), c.expected) << c.document;
  }

  // No user list: reads with no users; writing sets name and version, then fails.
  const auto preset = Preset::fromXml(parse(R"(<Root Name="A" Version="1"><Other/></Root>)"));
  EXPECT_TRUE(preset->userList->users.empty());
  preset->name.name = "B";
  EXPECT_EQ(errorOf([&] { preset->xmlData(); }), noChild("Root", "UserList"));
  EXPECT_EQ(preset->xmlElement->attributes.at("Name"), "B");

  const auto empty = Preset::emptyPreset();
  empty->name.name = "bad \xff";
  EXPECT_THROW(empty->xmlData(), device::ZRXMLEncodingError);
}

TEST(Preset, UpdateMergesUsersByPosition) {
  const auto preset = Preset::makeDefault(1, 3);
  const auto third = preset->userList->users[2];
  preset->update(parse(R"(<Root><UserList><User Name="One"/><User Name="Two"/></UserList></Root>)"));
  EXPECT_EQ(preset->version, "5.7.13");  // missing attributes leave the fields
  ASSERT_EQ(preset->userList->users.size(), 3u);
  EXPECT_EQ(preset->userList->users[1]->name, "Two");
  EXPECT_EQ(preset->userList->users[2], third);
  EXPECT_EQ(third->name, "Mix 3");

  preset->update(parse(R"x(<Root Name="N (USER SHOW)" Version="6.0.0"><UserList>
      <User Name="a"/><User Name="b"/><User Name="c"/><User Name="Four"/></UserList></Root>)x"));
  ASSERT_EQ(preset->userList->users.size(), 4u);
  EXPECT_EQ(preset->userList->users[3]->name, "Four");
  EXPECT_EQ(preset->name.type, device::PresetType::userShow);
  EXPECT_EQ(preset->version, "6.0.0");
}

TEST(Preset, DefaultContent) {
  const auto preset = Preset::makeDefault(6, 2);
  ASSERT_EQ(preset->userList->users.size(), 2u);
  const auto& mix2 = *preset->userList->users[1];
  EXPECT_EQ(mix2.name, "Mix 2");
  EXPECT_EQ(mix2.outChannelLeft, 3u);
  EXPECT_EQ(mix2.outChannelRight, 4u);
  EXPECT_EQ(mix2.hardwareInputs, 6u);
  ASSERT_EQ(mix2.channelSettingsList->channelSettings.size(), 6u);
  const auto& ch6 = *mix2.channelSettingsList->channelSettings[5];
  EXPECT_EQ(ch6.name + " " + std::to_string(ch6.index) + " " + std::to_string(ch6.groupID), "CH 6 5 15");
  ASSERT_EQ(mix2.groups.size(), 16u);
  EXPECT_EQ(mix2.groups[15]->name + " " + mix2.groups[15]->icon, "GROUP 16 inst_x16");
  EXPECT_EQ(mix2.groups[15]->colour, Color::paletteColor(15));
  EXPECT_EQ(mix2.groups[0], preset->userList->users[0]->groups[0]);  // shared by all users
  EXPECT_EQ(preset->name.name, "");
  EXPECT_EQ(preset->xmlElement->elementName, "BinauralMonitorSettings");
}

TEST(Preset, NormalizeGivesChannelsTheirGroupsColour) {
  const auto preset = Preset::makeDefault(3, 1);
  auto& user = *preset->userList->users[0];
  auto& channels = user.channelSettingsList->channelSettings;
  channels[0]->groupID = 2;
  channels[1]->groupID = 40;  // past the user's 16 groups: keeps its colour
  const Color own(9, 9, 9, 255);
  channels[1]->color = own;
  std::swap(user.groups[0], user.groups[2]);  // the table is sorted by id, not in list order
  preset->normalizeUserList();
  EXPECT_EQ(channels[0]->color, Color::paletteColor(2));
  EXPECT_EQ(channels[1]->color, own);
  EXPECT_EQ(channels[2]->color, Color::paletteColor(15));
}

TEST(Preset, CopiesAreIndependentAndWrite) {
  const auto source = Preset::fromXml(parse(document));
  const Preset copy(device::deepCopyTag, *source);
  copy.userList->users[0]->name = "Copy";
  EXPECT_EQ(source->userList->users[0]->name, "Mix 1");
  EXPECT_NE(copy.xmlElement, source->xmlElement);

  Preset writable(device::deepCopyTag, *source);
  const std::string text = textOf(writable.xmlData());
  EXPECT_NE(text.find("xDevice=\"proc\""), std::string::npos);
  EXPECT_EQ(source->xmlElement->xmlString(), parse(document)->xmlString());  // source untouched

  // Equality is by name alone.
  EXPECT_TRUE(copy == *source);
  EXPECT_TRUE(*Preset::makeDefault(1, 1) == Preset());
  EXPECT_FALSE(*source == Preset());
}

TEST(PresetData, CompressesAndParsesTheEmptyPreset) {
  const auto empty = Preset::emptyPreset();
  const PresetData data(empty->xmlData());
  EXPECT_EQ(data.preset()->name, empty->name);
  EXPECT_NE(Preset::emptyPreset()->xmlElement, empty->xmlElement);  // a new tree each time
  const auto compressed = data.compressed();
  ASSERT_GE(compressed.size(), 2u);
  EXPECT_EQ(compressed[0], 0x78);
  EXPECT_EQ(compressed[1], 0x9C);
  EXPECT_EQ(PresetData::fromCompressed(compressed), data);
  EXPECT_THROW(PresetData(std::vector<std::uint8_t>{'<', 'a'}).preset(), device::ZRXMLParserError);
}

Bytes counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

TEST(PresetSegmentMessages, UserShowsGoUncompressedInSlicesOf1000) {
  const PresetName show("Show_[bkup_2024] (USER SHOW)");
  const struct {
    std::size_t size;
    std::vector<std::size_t> slices;
  } cases[] = {{0, {}}, {1000, {1000}}, {2000, {1000, 1000}}, {2001, {1000, 1000, 1}}};
  for (const auto& c : cases) {
    const Bytes payload = counting(c.size);
    const auto messages = device::presetSegmentMessages(payload, show, true, "app-uid");
    ASSERT_EQ(messages.size(), c.slices.size()) << c.size;
    Bytes joined;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      const auto& m = messages[i];
      EXPECT_EQ(m.address().address(), "/VELTOpelion/control/presetSeg");
      ASSERT_EQ(m.values().size(), 7u);
      EXPECT_EQ(m.values()[0], OSCValue::string("Show.vup"));
      const auto blob = *m.values()[1].asBlob();
      EXPECT_EQ(blob.size(), c.slices[i]);
      joined.insert(joined.end(), blob.begin(), blob.end());
      EXPECT_EQ(m.values()[2], OSCValue::int32(static_cast<std::int32_t>(i)));
      EXPECT_EQ(m.values()[3], OSCValue::int32(static_cast<std::int32_t>(c.slices.size())));
      EXPECT_EQ(m.values()[4], OSCValue::string(""));
      EXPECT_EQ(m.values()[5], OSCValue::boolean(true));
      EXPECT_EQ(m.values()[6], OSCValue::string("app-uid"));
    }
    EXPECT_EQ(joined, payload);
  }
}

TEST(PresetSegmentMessages, PresetsAreCompressedFirst) {
  const Bytes payload(5000, 'a');
  const auto messages = device::presetSegmentMessages(payload, PresetName("Live"), false, "u");
  ASSERT_EQ(messages.size(), 1u);  // the count follows the compressed length
  EXPECT_EQ(messages[0].values()[0], OSCValue::string("Live.VELTOshow"));
  EXPECT_EQ(messages[0].values()[5], OSCValue::boolean(false));
  EXPECT_EQ(gzip::gunzipped(*messages[0].values()[1].asBlob()), payload);
  EXPECT_TRUE(device::presetSegmentMessages({}, PresetName("Live"), false, "u").empty());
}

TEST(PresetSegMessage, AcceptsExactlySixTypedArguments) {
  const std::vector<OSCValue> good = {OSCValue::string("Show.vup"), OSCValue::blob({1, 2}), OSCValue::int32(1),
                                      OSCValue::int32(3),          OSCValue::string("Dev"),  OSCValue::string("uid")};
  auto with = [&](std::size_t at, OSCValue value) {
    auto values = good;
    values[at] = std::move(value);
    return values;
  };
  auto plus = good;
  plus.push_back(OSCValue::string("x"));
  const std::pair<std::vector<OSCValue>, bool> cases[] = {
      {good, true},
      {with(2, OSCValue::float_(1)), false},
      {with(1, OSCValue::string("b")), false},
      {with(3, OSCValue::int64(3)), false},
      {with(5, OSCValue::int32(0)), false},
      {std::vector<OSCValue>(good.begin(), good.end() - 1), false},
      {plus, false},
  };
  for (const auto& [values, accepted] : cases) {
    const auto message = osc::OSCMessage::make("/VELTOapp/control/PresetSeg", values);
    EXPECT_EQ(device::PresetSegMessage::make(*message).has_value(), accepted) << message->description();
  }
}

TEST(PresetSegment, DropsTheExtensionOfTheReceivedName) {
  const std::pair<std::string, std::string> cases[] = {
      {"Show.vup", "Show"}, {"Show", "Show"}, {"A.b.VELTOshow", "A.b"}, {".vup", ""}};
  for (const auto& [received, gathered] : cases) {
    const device::PresetSegMessage message{received, {1, 2, 3}, 1, 3, "Dev", "uid-1"};
    const auto segment = device::PresetSegment::fromMessage(message, {});
    EXPECT_EQ(segment.presetName, gathered);
  }
}

TEST(PresetSegment, DescriptionsOfDataAndSegments) {
  const auto segment = [](std::string name, std::int32_t index, std::int32_t count, std::size_t size) {
    const device::PresetSegMessage message{std::move(name), Bytes(size), index, count, "Stage Left", "uid-7"};
    return device::PresetSegment::fromMessage(message, {}).description();
  };
  const std::pair<std::string, std::string> cases[] = {
      {PresetData().description(), "PresetData 0 bytes"},
      {PresetData(Bytes(1234)).description(), "PresetData 1234 bytes"},
      {segment("Show.vup", 1, 3, 1000), "PresetSegment 1/3 1000 bytes from Stage Left:uid-7 for Show"},
      {segment("Live *[x]", 0, 1, 0), "PresetSegment 0/1 0 bytes from Stage Left:uid-7 for Live *[x]"},
  };
  for (const auto& [described, expected] : cases) EXPECT_EQ(described, expected);
}

constexpr auto P = PresetType::preset;
constexpr auto U = PresetType::userShow;

// All four parts; tables give them as PresetName(name, rawDate, type, backupDate).
auto parts(const PresetName& n) { return std::tuple(n.name, n.rawDate, n.type, n.backupDate); }

TEST(PresetName, ParsesListTexts) {
  const std::string stamp = "2024-05-01T10:20:30.123Z";
  const std::pair<std::string, PresetName> cases[] = {
      {"Show", {"Show", nullopt, P, nullopt}},
      {"Show_[bkup_2024-01-01] (USER SHOW) *[" + stamp + "]", {"Show", stamp, U, "2024-01-01"}},
      {"Show (PRESET)", {"Show", nullopt, P, nullopt}},
      {"Show *[2024-05-01T10:20:30.123+02:00]", {"Show", "2024-05-01T10:20:30.123+02:00", P, nullopt}},
      {"My Show", {"My Show", nullopt, P, nullopt}},
      {"My Show (USER SHOW)", {"My Show (USER SHOW)", nullopt, P, nullopt}},
      {"Show *[2024-05-01T10:20:30Z]", {"Show *[2024-05-01T10:20:30Z]", nullopt, P, nullopt}},
      {"A_B", {"A_B", nullopt, P, nullopt}},
      {"A_[bkup_x]_[bkup_y]", {"A", nullopt, P, "x]_[bkup_y"}},
      {"", {"", nullopt, P, nullopt}},
      // Unicode white space (a no-break space, an em space) and line breaks; any decimal digits.
      {"My\u00A0Show (USER SHOW)", {"My\u00A0Show (USER SHOW)", nullopt, P, nullopt}},
      {"Show_[bkup_a\u2003b]", {"Show_[bkup_a\u2003b]", nullopt, P, nullopt}},
      {"Show (USER\rSHOW)", {"Show (USER\rSHOW)", nullopt, P, nullopt}},
      {"Show *[\u0662\u0660\u0662\u0664-05-01T10:20:30.123Z]",
       {"Show", "\u0662\u0660\u0662\u0664-05-01T10:20:30.123Z", P, nullopt}},
      {"\xff\xfe (USER SHOW)", {"\xff\xfe (USER SHOW)", nullopt, P, nullopt}},  // not UTF-8: not split
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(parts(PresetName(text)), parts(expected)) << text;
}

TEST(PresetName, ParsesFileNames) {
  const std::pair<const char*, std::optional<PresetName>> cases[] = {
      {"Show_[bkup_1].vup", PresetName{"Show", nullopt, U, "1"}},
      {"Show.VELTOshow", PresetName{"Show", nullopt, P, nullopt}},
      {"Show (USER SHOW).VELTOshow", PresetName{"Show", nullopt, P, nullopt}},
      {".VELTOshow", PresetName{"", nullopt, P, nullopt}},
      {"Show.veltoshow", nullopt}, {"Show.xml", nullopt}, {"Show", nullopt}, {"Show.vup.bak", nullopt},
  };
  const auto optionalParts = [](const std::optional<PresetName>& n) {
    return n ? std::optional(parts(*n)) : std::nullopt;
  };
  for (const auto& [fileName, expected] : cases) {
    EXPECT_EQ(optionalParts(PresetName::fromFileName(fileName)), optionalParts(expected)) << fileName;
  }
  EXPECT_EQ(parts(*PresetName::fromURL("/home/u/Mix_[bkup_2].vup")), parts({"Mix", nullopt, U, "2"}));
}

TEST(PresetName, BuildsTexts) {
  PresetName name("Show", nullopt, U, "1");
  EXPECT_EQ(name.baseName(), "Show_[bkup_1]");
  EXPECT_EQ(name.fileName(), "Show_[bkup_1].vup");
  EXPECT_EQ(PresetName("Show").fileName(), "Show.VELTOshow");
  EXPECT_NE(name.utType(), PresetName("Show").utType());
  name.rawDate = "2024-05-01T12:20:30.123+02:00";
  EXPECT_EQ(name.description(), "Show *[2024-05-01T10:20:30.123Z]");  // shown in UTC
  EXPECT_EQ(name.fileName(), "Show_[bkup_1].vup");                    // no stamp in file names
  name.rawDate = "yesterday";
  EXPECT_EQ(name.description(), "Show");
}

TEST(PresetName, DateRoundTripsToTheMillisecond) {
  using namespace std::chrono;
  PresetName name("Show");
  const platform::Date instant = sys_days{2026y / March / 4} + 5h + 6min + 7s + 891ms;
  name.setDate(instant);
  EXPECT_EQ(name.rawDate->back(), 'Z');
  EXPECT_EQ(name.date(), instant);
  name.setDate(nullopt);
  EXPECT_FALSE(name.rawDate);
}

TEST(PresetName, DefaultsEqualityAndOrder) {
  for (const char* text : {"Default", "DEFAULTOFF", "default_[bkup_1]"}) {
    EXPECT_TRUE(PresetName::isDefault(text));
  };
  EXPECT_FALSE(PresetName::isDefault("default1"));
  const PresetName early("Show *[2024-05-01T10:20:30.123Z]");
  const PresetName late("Show *[2024-05-01T10:20:30.124Z]");
  EXPECT_EQ(early, late);
  EXPECT_NE(PresetName("Show"), PresetName("Show_[bkup_1]"));
  EXPECT_TRUE(early < late && late > early);
  EXPECT_FALSE(late < early);
  EXPECT_FALSE(PresetName("Show") < late);                                // no date on one side
  EXPECT_FALSE(PresetName("Other *[2024-05-01T10:20:30.125Z]") > early);  // another name
}

TEST(PresetName, KeyedCoding) {
  const auto keyed =
      R"({"name":"Show","rawDate":"2024-05-01T10:20:30.123Z","type":"USER SHOW","backupDate":"1"})";
  const nlohmann::json json = PresetName("Show", "2024-05-01T10:20:30.123Z", U, "1");
  EXPECT_EQ(json, nlohmann::json::parse(keyed));
  EXPECT_EQ(parts(json.get<PresetName>()), parts({"Show", "2024-05-01T10:20:30.123Z", U, "1"}));
  EXPECT_EQ(nlohmann::json(PresetName("Show")), nlohmann::json::parse(R"({"name":"Show","type":"PRESET"})"));
  const auto extra = nlohmann::json::parse(R"({"name":"A","type":"PRESET","extra":1,"rawDate":null})");
  EXPECT_EQ(parts(extra.get<PresetName>()), parts(PresetName("A")));
  for (const char* bad : {R"({"type":"PRESET"})", R"({"name":"A"})", R"({"name":"A","type":"preset"})",
                          R"({"name":"A","type":3})", R"({"name":5,"type":"PRESET"})",
                          R"({"name":"A","type":"PRESET","backupDate":1})"}) {
    EXPECT_THROW(nlohmann::json::parse(bad).get<PresetName>(), nlohmann::json::exception) << bad;
  }
}

TEST(PresetName, LongNamesFromDevicesParseInLinearTime) {
  EXPECT_EQ(PresetName(std::string(1 << 20, 'a') + " (USER SHOW)").type, U);
  const std::string blanks = std::string(1 << 20, 'a') + std::string(1 << 16, ' ') + "x";
  EXPECT_EQ(PresetName(blanks).name, blanks);
}

Names fileNames(const std::vector<PresetName>& names) {
  Names result;
  for (const auto& n : names) result.push_back(n.fileName());
  return result;
}

TEST(PresetNameList, FiltersAndKeepsDuplicates) {
  PresetNameList list;
  for (const char* text : {"Show", "Show_[bkup_1]", "default", "Mix (USER SHOW)", "DefaultOff (USER SHOW)",
                           "DEFAULT_[bkup_2]", "Default1"}) {
    list.append(PresetName(text));
  }
  EXPECT_EQ(fileNames(list.presets()),
            (Names{"Show.VELTOshow", "Show_[bkup_1].VELTOshow", "Default1.VELTOshow"}));
  EXPECT_EQ(fileNames(list.filtered({PresetType::preset}, false, false)),
            (Names{"Show.VELTOshow", "Default1.VELTOshow"}));
  EXPECT_EQ(fileNames(list.presetsIncludingDefaults()),
            (Names{"Show.VELTOshow", "Show_[bkup_1].VELTOshow", "default.VELTOshow",
                   "DEFAULT_[bkup_2].VELTOshow", "Default1.VELTOshow"}));
  EXPECT_EQ(fileNames(list.userShows()), (Names{"Mix.vup"}));
  EXPECT_EQ(fileNames(list.userShowsIncludingDefaults()), (Names{"Mix.vup", "DefaultOff.vup"}));
  EXPECT_EQ(fileNames(list.allWithoutBackups()), (Names{"Show.VELTOshow", "default.VELTOshow", "Mix.vup",
                                                        "DefaultOff.vup", "Default1.VELTOshow"}));
  EXPECT_EQ(list.allWithoutDefaults().size(), 4u);  // the default backup goes when either flag excludes it
  EXPECT_EQ(list.filtered(std::set<PresetType>{PresetType::userShow}, true, true).size(), 2u);
  EXPECT_TRUE(list.filtered(std::vector<PresetType>{}, true, true).empty());
  list.append(PresetName("Show"));  // a duplicate is kept, in order
  EXPECT_EQ(list.count(), 8u);
  EXPECT_EQ(fileNames(list.presets()).back(), "Show.VELTOshow");
}

TEST(UnicodePattern, ReadsClassesTheUnicodeWayOutsideBrackets) {
  struct Case {
    const char* syntax;
    FinalLineBreak dollar;
    std::string text;
    bool matches;
  };
  const Case cases[] = {
      {R"(^\S+$)", FinalLineBreak::notAllowed, "\u00C9t\u00E9", true},
      {R"(^\S+$)", FinalLineBreak::notAllowed, "a\u00A0b", false},
      {R"(^\S+$)", FinalLineBreak::notAllowed, "a\u3000b", false},
      {R"(^\d+$)", FinalLineBreak::notAllowed, "\u0663\u0664", true},  // Arabic-Indic digits
      {R"(^a.b$)", FinalLineBreak::notAllowed, "a\u00E9b", true},
      {R"(^a.b$)", FinalLineBreak::notAllowed, "a\rb", false},
      {R"(^a.b$)", FinalLineBreak::notAllowed, "a\u2028b", false},
      {R"(^a[.]b$)", FinalLineBreak::notAllowed, "axb", false},  // a point in brackets is a point
      {R"(^a[.]b$)", FinalLineBreak::notAllowed, "a.b", true},
      {R"(^a[]S.]b$)", FinalLineBreak::notAllowed, "a]b", true},
      {R"(^a\.b$)", FinalLineBreak::notAllowed, "axb", false},
      {R"(^a\$$)", FinalLineBreak::allowed, "a$", true},
      {R"(^a$)", FinalLineBreak::notAllowed, "a\n", false},
      {R"(^a$)", FinalLineBreak::allowed, "a\n", true},
      {R"(^a$)", FinalLineBreak::allowed, "a\r\n", true},
      {R"(^a$)", FinalLineBreak::allowed, "a\n\n", false},
  };
  for (const Case& c : cases) {
    const auto expression = device::unicodeExpression(c.syntax, c.dollar);
    ASSERT_TRUE(expression->ok()) << c.syntax;
    EXPECT_EQ(RE2::PartialMatch(c.text, *expression), c.matches) << c.syntax << " on " << c.text;
  }
}

}  // namespace
