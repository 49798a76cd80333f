#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/Model/AppSettings.h"
#include "device/Model/RemoteSettings.h"
#include "device/Model/Status.h"
#include "tests/device/Model/ModelXml.h"
#include "tests/support/NumericLocale.h"

namespace {

using namespace device;
using modeltest::badValue;
using modeltest::errorOf;
using Texts = AppSettings::Properties;
using modeltest::noAttribute;
using modeltest::parse;
using modeltest::noChild;
using Pairs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// The 30 texts of a new object, the uuid aside.
const Texts kDefaultTexts = {
    {"ShortUUID", "1"}, {"MasterMidGainDB", "-20.0"}, {"MasterPeakGainDB", "0.0"}, {"ChPeakGainDB", "10.0"},
    {"ChMidGainDB", "-20.0"}, {"ChannelGainStepdB", "0.5"}, {"GroupGainStepdB", "0.5"}, {"PW", ""},
    {"PelionType", "VELTO:zelvarine"}, {"TechnicianMode", "40"}, {"LockToMix", "0"},
    {"AllowRemoteAdmin", "1"}, {"MonoStereo3DAvailable", "1"}, {"DemoModeAvailable", "1"},
    {"ExclusiveSolo", "0"}, {"RelativeGroupMixing", "1"}, {"RotvMuteSoloAvailable", "1"},
    {"RotvShowDecibels", "1"}, {"RotvChannelConfigAvailable", "1"}, {"RotvAmbAuxCtrl", "1"},
    {"RotvSaveLoad", "1"}, {"RotvGroupLock", "0"}, {"RotvLocalConfigMenuAvailable", "1"},
    {"RotvGroupAvailable", "1"}, {"RotvRelativeGroups", "1"}, {"RotvAutoUnmute", "1"},
    {"RotvDisplayDim", "0"}, {"LastLocalPreset", ".VELTOshow"}, {"AppName", ""}};

// The texts without the uuid, compared with the default texts with `changes` laid over them.
testing::AssertionResult textsAre(Texts texts, const Texts& changes) {
  texts.erase("UUID");
  Texts expected = kDefaultTexts;
  for (const auto& [key, text] : changes) expected.insert_or_assign(key, text);
  if (texts == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure() << testing::PrintToString(texts);
}

TEST(AppSettings, StartsWithTheDefaultTextsAndAUuidOfItsOwn) {
  testsupport::NumericLocale decimalComma;  // "%.1f" must still write a point
  const AppSettings first, second;
  EXPECT_TRUE(textsAre(first.properties, {}));
  EXPECT_EQ(first.properties.at("UUID"), first.uuid);
  EXPECT_EQ(first.uuid.size(), 36u);
  EXPECT_EQ(first.uuid.find_first_of("abcdef"), std::string::npos);
  EXPECT_NE(first.uuid, second.uuid);
}

TEST(AppSettings, DecodeReadsFieldsThenMergesTheDocumentTexts) {
  const struct {
    const char* entries;
    Texts fields;  // in canonical form, as a copy renders them
    Texts texts;   // as `properties` holds them after the decode
    std::string error;
  } cases[] = {
      // The first entry of a key sets the field, the last one the text.
      {R"(<VALUE name="MasterMidGainDB" val="-12"/><VALUE name="ChannelGainStepdB" val="1.25e0"/>)"
       R"(<VALUE name="ExclusiveSolo" val="1"/><VALUE name="ExclusiveSolo" val="0"/><VALUE name="PW" val="pw"/>)"
       R"(<VALUE name="TechnicianMode" val="30"/><VALUE name="RotvGroupLock" val="YES"/>)"
       R"(<VALUE name="PelionType" val="VELTO:tamo"/>)",
       {{"MasterMidGainDB", "-12.0"}, {"ChannelGainStepdB", "1.2"}, {"ExclusiveSolo", "1"}, {"RotvGroupLock", "1"},
        {"TechnicianMode", "30"}, {"PelionType", "VELTO:tamo"}, {"PW", "pw"}},  // "%.1f" of 1.25 is "1.2"
       {{"MasterMidGainDB", "-12"}, {"ChannelGainStepdB", "1.25e0"}, {"ExclusiveSolo", "0"}, {"RotvGroupLock", "YES"},
        {"TechnicianMode", "30"}, {"PelionType", "VELTO:tamo"}, {"PW", "pw"}}, ""},
      // Entries without "name" or "val" and other elements are skipped; unknown keys are kept.
      {R"(<VALUE name="Foo" val="x"/><VALUE val="1"/><VALUE name="Bar"/><Other name="PW" val="p"/>)", {},
       {{"Foo", "x"}}, ""},
      {R"(<VALUE name="Foo" val="x"/><VALUE name="ExclusiveSolo"/>)", {}, {}, modeltest::noAttribute("val")},
      {R"(<VALUE name="PW" val="pw"/><VALUE name="TechnicianMode" val="35"/>)", {{"PW", "pw"}}, {}, badValue("35")},
      // ChMidGainDB is read before ChPeakGainDB; later keys and the texts stay untouched.
      {R"(<VALUE name="GroupGainStepdB" val="1.0"/><VALUE name="ChPeakGainDB" val="high"/>)"
       R"(<VALUE name="ChMidGainDB" val="-30"/><VALUE name="MasterMidGainDB" val="-10"/>)",
       {{"MasterMidGainDB", "-10.0"}, {"ChMidGainDB", "-30.0"}}, {}, badValue("high")},
      {R"(<VALUE name="LastLocalPreset" val="Show1.vup"/>)", {{"LastLocalPreset", "Show1.vup"}},
       {{"LastLocalPreset", "Show1.vup"}}, ""},
      {R"(<VALUE name="LastLocalPreset" val="Show1.txt"/><VALUE name="AppName" val="Mix"/>)", {{"AppName", "Mix"}},
       {{"LastLocalPreset", "Show1.txt"}, {"AppName", "Mix"}}, ""},
  };
  for (const auto& c : cases) {
    const auto xml = modeltest::parse(std::string("<Device><Settings>") + c.entries + "</Settings></Device>");
    EXPECT_EQ(errorOf([&] { EXPECT_TRUE(textsAre(AppSettings(xml).properties, c.texts)); }), c.error) << c.entries;
    // The same entries decoded into an existing object: fields read before a failure stay.
    auto updated = std::make_shared<AppSettings>();
    EXPECT_EQ(errorOf([&] { updated->decode(xml->children.front()); }), c.error) << c.entries;
    EXPECT_TRUE(textsAre(updated->properties, c.texts)) << c.entries;
    const auto copy = device::deepCopy(updated);
    EXPECT_TRUE(textsAre(copy->properties, c.fields)) << c.entries;
    EXPECT_EQ(copy->properties.at("UUID") + copy->uuid, updated->uuid + updated->uuid);
  }
  EXPECT_EQ(errorOf([] { AppSettings{modeltest::parse("<Device><Setting/></Device>")}; }),
            modeltest::noChild("Device", "Settings"));
}

// Other keys stay within their bounds, each just reached and just passed, however many documents
// come; the 30 keys are never bounded. decode counts the entries it left out.
TEST(AppSettings, KeepsOtherKeysOnlyWithinTheirBounds) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  const auto decode = [](AppSettings& settings, const Pairs& pairs) {
    std::string xml = "<Settings>";
    for (const auto& [key, text] : pairs) xml += "<VALUE name=\"" + key + "\" val=\"" + text + "\"/>";
    return settings.decode(modeltest::parse(xml + "</Settings>"));
  };
  const std::string longestKey(AppSettings::kMaximumOtherKeySize, 'k'), longestText(AppSettings::kMaximumOtherValueSize, 't');
  const struct {
    std::string key, text;
    std::size_t leftOut;
  } cases[] = {
      {longestKey, "1", 0}, {longestKey + "k", "1", 1}, {"Foo", longestText, 0}, {"Foo", longestText + "t", 1},
      {"AppName", longestText + "t", 0}, {"PW", longestText + "t", 0},
  };
  for (const auto& c : cases) {
    AppSettings settings;
    EXPECT_EQ(decode(settings, {{c.key, c.text}}), c.leftOut) << c.key.size() << " " << c.text.size();
    EXPECT_EQ(settings.properties.contains(c.key), c.leftOut == 0) << c.key.size() << " " << c.text.size();
  }

  AppSettings settings;
  for (int document = 0; document < 3; ++document) {
    Pairs pairs;
    for (std::size_t k = 0; k <= AppSettings::kMaximumOtherKeys; ++k) {
      pairs.emplace_back("D" + std::to_string(document) + "K" + std::to_string(k), "1");
    }
    EXPECT_EQ(decode(settings, pairs), document == 0 ? 1u : AppSettings::kMaximumOtherKeys + 1) << document;
    EXPECT_EQ(settings.properties.size(), kDefaultTexts.size() + 1 + AppSettings::kMaximumOtherKeys);
  }
  // A held key still takes a new text within the bound, never a longer one; known keys always.
  EXPECT_EQ(decode(settings, {{"D0K0", "2"}, {"D0K1", longestText + "t"}, {"New", "1"}, {"ExclusiveSolo", "1"}}), 2u);
  EXPECT_EQ(settings.properties.at("D0K0"), "2");
  EXPECT_EQ(settings.properties.at("D0K1"), "1");
  EXPECT_FALSE(settings.properties.contains("New"));
  EXPECT_EQ(settings.properties.at("ExclusiveSolo"), "1");
  EXPECT_TRUE(settings.exclusiveSolo);
}

TEST(AppSettingsContainer, KeepsOneTextPerKeyInTheSettingsForm) {
  testsupport::NumericLocale decimalComma;
  AppSettings::Container container;
  container.setChGainStepDb(1.5f);
  container.setExclusiveSolo(false);
  container.setExclusiveSolo(true);
  container.setGroupGainStepDb(-0.25f);
  container.setAppName("Front of house");
  container.setDisplayDim(true);
  EXPECT_EQ(container.properties, (Texts{{"ChannelGainStepdB", "1.5"}, {"ExclusiveSolo", "1"},
                                         {"GroupGainStepdB", "-0.2"}, {"AppName", "Front of house"},
                                         {"RotvDisplayDim", "1"}}));
}

// Every field of the processor settings, the addresses as text.
std::string fields(const Settings& s) {
  return std::to_string(s.srMode) + " " + std::to_string(s.numberOfInputs) + " " + std::to_string(s.numberOfUsers) +
         (s.eqEnabled ? " eq " : " - ") + s.fixedIP.description() + " " + s.fixedSubnet.description() + " " +
         s.fixedGateway.description() + " " + std::to_string(s.logLevel) + (s.autoUpdateRotavers ? " rot " : " - ") +
         std::to_string(s.autoLockDevicesToMix);
}

TEST(Settings, DecodeUpdatesUntilTheFirstBadValue) {
  const struct {
    const char* entries;
    const char* expected;
    std::string error;
  } cases[] = {
      {"", "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", ""},  // the initial values
      {R"(<VALUE name="FixedIP" val="192.168.1.50"/><VALUE name="FixedGateway" val="10.0.0.1"/>)",
       "1 0 0 - 192.168.1.50 255.255.255.0 10.0.0.1 2 - 2", ""},
      // An address text that does not read keeps the field; the next keys are still read.
      {R"(<VALUE name="FixedIP" val="dhcp"/><VALUE name="LogLevel" val="4"/>)",
       "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 4 - 2", ""},
      {R"(<VALUE name="SRMode" val="3"/><VALUE name="NumberOfInputs" val="-7"/>)"
       R"(<VALUE name="NumberOfUsers" val="eight"/><VALUE name="LogLevel" val="5"/>)",
       "3 -7 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", badValue("eight")},
      {R"(<VALUE name="EQenabled" val="Yes"/><VALUE name="FixedSubnet"/><VALUE name="LogLevel" val="4"/>)",
       "1 0 0 eq 0.0.0.0 255.255.255.0 0.0.0.0 2 - 2", noAttribute("val")},
      // The first entry of a key wins; entries of unknown keys are ignored.
      {R"(<VALUE name="SRMode" val="2"/><VALUE name="SRMode" val="x"/><VALUE name="AutoUpdateRotavers" val="1"/>)"
       R"(<VALUE name="AutoLockDevicesToMix" val="0"/><VALUE name="NumberOfUsers" val="99999999999"/>)",
       "2 0 99999999999 - 0.0.0.0 255.255.255.0 0.0.0.0 2 - 0", ""},
      // Element and key names match exactly; other attributes of an entry are ignored.
      {R"(<value name="SRMode" val="4"/><VALUE name="srmode" val="9"/><VALUE name="LogLevel" val="3" extra="x"/>)",
       "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 3 - 2", ""},
  };
  for (const auto& c : cases) {
    Settings settings;
    EXPECT_EQ(errorOf([&] { settings.decode(parse(std::string("<S>") + c.entries + "</S>")); }), c.error);
    EXPECT_EQ(fields(settings), c.expected) << c.entries;
  }
}

constexpr const char* kAppSettings =
    R"(<Status><Device Name="AppSettings"><Settings><VALUE name="AppName" val="Stage"/></Settings></Device></Status>)";

TEST(Status, DecodeReadsFlagsAndBothSettingsInPlace) {
  const struct {
    std::string document;
    bool settingsChanged, statusChanged;
    std::int64_t logLevel;
    const char* appName;
    std::string error;
  } cases[] = {
      {R"(<R SettingsChanged="1" StatusChanged="no"/>)", true, false, 2, "", ""},
      {R"(<R SettingsChanged="maybe" StatusChanged="TRUE"/>)", false, true, 2, "", ""},
      {std::string("<R SettingsChanged=\"yes\">") + kAppSettings +
           R"(<Settings><VALUE name="LogLevel" val="3"/></Settings></R>)", true, false, 3, "Stage", ""},
      // Only a "Device" named AppSettings inside the first "Status" counts.
      {R"(<R><Status><Device Name="Other"><Settings><VALUE name="AppName" val="x"/></Settings></Device>)"
       R"(<Device><Settings/></Device></Status></R>)", false, false, 2, "", ""},
      {R"(<R><Device Name="AppSettings"><Settings><VALUE name="AppName" val="x"/></Settings></Device></R>)",
       false, false, 2, "", ""},
      // A failing app settings part leaves the processor settings untouched.
      {R"(<R StatusChanged="1"><Status><Device Name="AppSettings"/></Status>)"
       R"(<Settings><VALUE name="LogLevel" val="4"/></Settings></R>)", false, true, 2, "",
       modeltest::noChild("Device", "Settings")},
      {R"(<R><Settings><VALUE name="LogLevel" val="4"/><VALUE name="AutoLockDevicesToMix" val="x"/></Settings></R>)",
       false, false, 4, "", badValue("x")},
  };
  for (const auto& c : cases) {
    Status status;
    status.settingsChanged = status.statusChanged = true;
    const auto settings = status.settings;
    const auto appSettings = status.appSettings;
    EXPECT_EQ(errorOf([&] { status.decode(parse(c.document)); }), c.error) << c.document;
    EXPECT_EQ(status.settingsChanged, c.settingsChanged) << c.document;
    EXPECT_EQ(status.statusChanged, c.statusChanged) << c.document;
    EXPECT_TRUE(status.settings == settings && status.appSettings == appSettings) << "replaced: " << c.document;
    EXPECT_EQ(settings->logLevel, c.logLevel) << c.document;
    EXPECT_EQ(appSettings->properties.at("AppName"), c.appName) << c.document;
  }
}

TEST(Status, CopyIsIndependentOfLaterDecodes) {
  auto source = std::make_shared<Status>();
  source->settings->autoUpdateRotavers = true;
  const auto copy = device::deepCopy(source);
  source->decode(parse(std::string(R"(<R SettingsChanged="1">)") + kAppSettings +
                       R"(<Settings><VALUE name="SRMode" val="9"/></Settings></R>)"));
  EXPECT_EQ(fields(*copy->settings) + (copy->settingsChanged ? " changed " : " ") + copy->appSettings->appName,
            "1 0 0 - 0.0.0.0 255.255.255.0 0.0.0.0 2 rot 2 ");
}

RemoteSettings::Map mapOf(const Pairs& pairs) {
  RemoteSettings::Map map;
  for (const auto& [local, remote] : pairs) map.push_back(std::make_shared<device::ChannelMap>(local, remote));
  return map;
}

std::string text(const RemoteSettings::Map& map) {
  std::string out;
  for (const auto& entry : map) out += (out.empty() ? "" : ", ") + entry->description();
  return out;
}

TEST(RemoteSettings, MapsEachRemoteToOneLocalAndLooksUpTheFirstEntry) {
  const struct {
    Pairs before;
    std::uint64_t local;
    std::optional<std::uint64_t> remote;
    const char* after;
  } cases[] = {
      {{}, 3, 5, "3 -> 5"},
      {{{3, 5}}, 4, 5, "3 -> 999, 4 -> 5"},
      {{{4, 5}, {6, 7}}, 4, std::nullopt, "4 -> 999, 6 -> 7"},
      {{{1, 2}, {3, 999}}, 1, 999, "1 -> 999, 3 -> 999"},
      {{{1, 2}, {1, 3}}, 1, 3, "1 -> 3, 1 -> 999"},
  };
  for (const auto& c : cases) {
    RemoteSettings settings;
    settings.inputMap = mapOf(c.before);
    settings.outputMap = mapOf(c.before);
    settings.mapInput(c.local, c.remote);
    settings.mapOutput(c.local, c.remote);
    EXPECT_EQ(text(settings.inputMap) + " / " + text(settings.outputMap), c.after + std::string(" / ") + c.after);
  }
  RemoteSettings settings;
  settings.inputMap = mapOf({{4, 999}, {2, 999}, {4, 5}});
  settings.outputMap = mapOf({{2, 999}, {4, 6}});
  EXPECT_EQ(settings.inputRemote(4), std::nullopt);
  EXPECT_EQ(settings.inputLocal(999), 4u);
  EXPECT_EQ(settings.inputLocal(7), std::nullopt);
  EXPECT_EQ(settings.outputRemote(4), 6u);
  EXPECT_EQ(settings.outputLocal(999), 2u);
}

TEST(RemoteSettings, ReadsBothMapsByMergingOrFailsBeforeChangingAnything) {
  RemoteSettings settings;
  settings.inputMap = mapOf({{2, 9}, {3, 6}});
  settings.decode(parse(R"(<RemoteSettings><OutputMap><Channel Local="1" Remote="2"/></OutputMap>
      <InputMap><Channel Local="1" Remote="4"/><Channel Local="2" Remote="5"/></InputMap></RemoteSettings>)"));
  EXPECT_EQ(text(settings.inputMap) + " / " + text(settings.outputMap), "2 -> 5, 3 -> 6, 1 -> 4 / 1 -> 2");
  for (const auto& [xml, error] : {
           std::pair<const char*, std::string>{R"(<R><InputMap><Channel Local="7"/></InputMap><OutputMap/></R>)",
                                               modeltest::noAttribute("Remote", "Channel")},
           {R"(<R><InputMap><Channel Local="7" Remote="1"/></InputMap></R>)", noChild("RemoteSettings", "OutputMap")},
           {R"(<R><OutputMap/></R>)", noChild("RemoteSettings", "InputMap")}}) {
    EXPECT_EQ(errorOf([&] { settings.decode(parse(xml)); }), error);
    EXPECT_EQ(text(settings.inputMap), "2 -> 5, 3 -> 6, 1 -> 4");
  }
}

TEST(RemoteSettings, WritingGivesANonEmptyMapAnEntryForChannelZero) {
  const struct {
    Pairs input;
    const char* oldChannels;
    const char* written;  // the "Channel" children afterwards, and the map
  } cases[] = {
      {{{2, 7}}, "", "2/7 0/999 | 2 -> 7, 0 -> 999"},
      {{}, R"(<Channel Local="1" Remote="1"/>)", "| "},
      {{{0, 1}, {0, 2}}, R"(<Channel Local="0" Remote="5" Note="n"/>)", "0/1n 0/2 | 0 -> 1, 0 -> 2"},
  };
  for (const auto& c : cases) {
    RemoteSettings settings;
    settings.inputMap = mapOf(c.input);
    const auto xml =
        parse(std::string("<RemoteSettings><InputMap>") + c.oldChannels + "</InputMap><OutputMap/></RemoteSettings>");
    settings.encode(xml);
    std::string written;
    for (const auto& channel : xml->firstChild("InputMap")->children) {
      const auto& a = channel->attributes;
      written += a.at("Local") + "/" + a.at("Remote") + (a.contains("Note") ? a.at("Note") : "") + " ";
    }
    EXPECT_EQ(written + "| " + text(settings.inputMap), c.written);
  }
  RemoteSettings settings;
  settings.outputMap = mapOf({{5, 5}});
  EXPECT_EQ(errorOf([&] { settings.encode(parse("<RemoteSettings><InputMap/></RemoteSettings>")); }),
            noChild("RemoteSettings", "OutputMap"));
  EXPECT_EQ(text(settings.outputMap), "5 -> 5");
}

}  // namespace
