#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/Model/AppSettings.h"
#include "device/XML/ZRXMLParser.h"
#include "tests/device/Model/DecodeError.h"
#include "tests/support/NumericLocale.h"

namespace {

using device::AppSettings;
using device::ZRXMLParser;

// The 30 texts of a new object, the uuid aside.
const AppSettings::Properties kDefaultTexts = {
    {"ShortUUID", "1"}, {"MasterMidGainDB", "-20.0"}, {"MasterPeakGainDB", "0.0"}, {"ChPeakGainDB", "10.0"},
    {"ChMidGainDB", "-20.0"}, {"ChannelGainStepdB", "0.5"}, {"GroupGainStepdB", "0.5"}, {"PW", ""},
    {"PelionType", "VELTO:zelvarine"}, {"TechnicianMode", "40"}, {"LockToMix", "0"},
    {"AllowRemoteAdmin", "1"}, {"MonoStereo3DAvailable", "1"}, {"DemoModeAvailable", "1"},
    {"ExclusiveSolo", "0"}, {"RelativeGroupMixing", "1"}, {"RotvMuteSoloAvailable", "1"},
    {"RotvShowDecibels", "1"}, {"RotvChannelConfigAvailable", "1"}, {"RotvAmbAuxCtrl", "1"},
    {"RotvSaveLoad", "1"}, {"RotvGroupLock", "0"}, {"RotvLocalConfigMenuAvailable", "1"},
    {"RotvGroupAvailable", "1"}, {"RotvRelativeGroups", "1"}, {"RotvAutoUnmute", "1"},
    {"RotvDisplayDim", "0"}, {"LastLocalPreset", ".VELTOshow"}, {"AppName", ""}};

AppSettings::Properties withoutUuid(AppSettings::Properties properties) {
  properties.erase("UUID");
  return properties;
}

TEST(AppSettings, StartsWithTheDefaultTextsAndAUuidOfItsOwn) {
  testsupport::NumericLocale decimalComma;  // "%.1f" must still write a point
  const AppSettings first;
  const AppSettings second;
  EXPECT_EQ(withoutUuid(first.properties), kDefaultTexts);
  EXPECT_EQ(first.properties.at("UUID"), first.uuid);
  EXPECT_EQ(first.uuid.size(), 36u);
  EXPECT_EQ(first.uuid.find_first_of("abcdef"), std::string::npos);
  EXPECT_NE(first.uuid, second.uuid);
  EXPECT_EQ(withoutUuid(second.properties), kDefaultTexts);
}

// Both overlays go over the default texts: `fields` in canonical form (what a copy renders),
// `texts` as `properties` holds them after the decode.
struct DecodeCase {
  const char* entries;
  AppSettings::Properties fields;
  AppSettings::Properties texts;
  const char* error = "";
};

AppSettings::Properties overDefaults(const AppSettings::Properties& changes) {
  auto texts = kDefaultTexts;
  for (const auto& [key, text] : changes) texts.insert_or_assign(key, text);
  return texts;
}

TEST(AppSettings, DecodeReadsFieldsThenMergesTheDocumentTexts) {
  const DecodeCase cases[] = {
      {"", {}, {}},
      {R"(<VALUE name="MasterMidGainDB" val="-12"/>)", {{"MasterMidGainDB", "-12.0"}}, {{"MasterMidGainDB", "-12"}}},
      // Entries without "name" or "val" and other elements are skipped; unknown keys are kept.
      {R"(<VALUE name="Foo" val="x"/><VALUE val="1"/><VALUE name="Bar"/><Other name="PW" val="p"/>)", {},
       {{"Foo", "x"}}},
      {R"(<VALUE name="Foo" val="x"/><VALUE name="ExclusiveSolo"/>)", {}, {},
       R"(attribute "val" not found for "VALUE")"},
      {R"(<VALUE name="ExclusiveSolo" val="1"/><VALUE name="ExclusiveSolo" val="0"/>)", {{"ExclusiveSolo", "1"}},
       {{"ExclusiveSolo", "0"}}},
      {R"(<VALUE name="TechnicianMode" val="30"/><VALUE name="PelionType" val="VELTO:tamo"/>)",
       {{"TechnicianMode", "30"}, {"PelionType", "VELTO:tamo"}},
       {{"TechnicianMode", "30"}, {"PelionType", "VELTO:tamo"}}},
      {R"(<VALUE name="PW" val="pw"/><VALUE name="TechnicianMode" val="35"/>)", {{"PW", "pw"}}, {},
       R"(value "35" of attribute VALUE.val could not be converted to the expected type.)"},
      // ChMidGainDB is read before ChPeakGainDB; later keys and the texts stay untouched.
      {R"(<VALUE name="GroupGainStepdB" val="1.0"/><VALUE name="ChPeakGainDB" val="high"/>)"
       R"(<VALUE name="ChMidGainDB" val="-30"/><VALUE name="MasterMidGainDB" val="-10"/>)",
       {{"MasterMidGainDB", "-10.0"}, {"ChMidGainDB", "-30.0"}}, {},
       R"(value "high" of attribute VALUE.val could not be converted to the expected type.)"},
      {R"(<VALUE name="LastLocalPreset" val="Show1.vup"/>)", {{"LastLocalPreset", "Show1.vup"}},
       {{"LastLocalPreset", "Show1.vup"}}},
      {R"(<VALUE name="LastLocalPreset" val="Show1.VELTOshow"/>)", {{"LastLocalPreset", "Show1.VELTOshow"}},
       {{"LastLocalPreset", "Show1.VELTOshow"}}},
      {R"(<VALUE name="LastLocalPreset" val="Show1.txt"/><VALUE name="AppName" val="Mix"/>)", {{"AppName", "Mix"}},
       {{"LastLocalPreset", "Show1.txt"}, {"AppName", "Mix"}}},
      {R"(<VALUE name="LastLocalPreset"/>)", {}, {}, R"(attribute "val" not found for "VALUE")"},
  };
  for (const DecodeCase& c : cases) {
    const auto xml = ZRXMLParser::parseDocument(std::string("<Device><Settings>") + c.entries + "</Settings></Device>");
    const auto made = [&] {
      EXPECT_EQ(withoutUuid(AppSettings(xml).properties), overDefaults(c.texts)) << c.entries;
    };
    EXPECT_EQ(testsupport::decodeError(made), c.error) << c.entries;
    // The same entries decoded into an existing object: fields read before a failure stay.
    auto updated = std::make_shared<AppSettings>();
    EXPECT_EQ(testsupport::decodeError([&] { updated->decode(xml->children.front()); }), c.error) << c.entries;
    EXPECT_EQ(withoutUuid(updated->properties), overDefaults(c.texts)) << c.entries;
    EXPECT_EQ(withoutUuid(device::deepCopy(updated)->properties), overDefaults(c.fields)) << c.entries;
  }
}

TEST(AppSettings, ElementWithoutSettingsChildGivesNoObject) {
  const auto xml = ZRXMLParser::parseDocument(R"(<Device Name="AppSettings"><Setting/></Device>)");
  EXPECT_EQ(testsupport::decodeError([&] { AppSettings{xml}; }), R"(Device does not contain child "Settings")");
}

TEST(AppSettings, CopyHoldsTheThirtyCanonicalTexts) {
  auto source = std::make_shared<AppSettings>();
  source->decode(ZRXMLParser::parseDocument(
      R"(<Settings><VALUE name="MasterMidGainDB" val="-12"/><VALUE name="ChannelGainStepdB" val="1.25e0"/>)"
      R"(<VALUE name="Foo" val="x"/><VALUE name="RotvGroupLock" val="YES"/></Settings>)"));
  source->appName = "Monitor";  // a field written directly, not yet in the texts
  const auto copy = device::deepCopy(source);
  // "%.1f" of 1.25 is "1.2".
  EXPECT_EQ(withoutUuid(copy->properties), overDefaults({{"MasterMidGainDB", "-12.0"}, {"ChannelGainStepdB", "1.2"},
                                                         {"RotvGroupLock", "1"}, {"AppName", "Monitor"}}));
  EXPECT_EQ(copy->uuid, source->uuid);
  EXPECT_EQ(copy->properties.at("UUID"), source->uuid);
  EXPECT_EQ(source->properties.at("MasterMidGainDB"), "-12");
  EXPECT_EQ(source->properties.at("AppName"), "");
}

TEST(AppSettingsContainer, KeepsOneTextPerKeyInTheSettingsForm) {
  testsupport::NumericLocale decimalComma;
  AppSettings::Container container;
  EXPECT_TRUE(container.properties.empty());
  container.setChGainStepDb(1.5f);
  container.setExclusiveSolo(false);
  container.setExclusiveSolo(true);
  container.setGroupGainStepDb(-0.25f);
  container.setAppName("Front of house");
  container.setDisplayDim(true);
  EXPECT_EQ(container.properties, (AppSettings::Properties{{"ChannelGainStepdB", "1.5"}, {"ExclusiveSolo", "1"},
                                                           {"GroupGainStepdB", "-0.2"}, {"AppName", "Front of house"},
                                                           {"RotvDisplayDim", "1"}}));
}

}  // namespace
