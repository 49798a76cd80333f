#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/Model/AppSettings.h"
#include "device/XML/ZRXMLParser.h"
#include "tests/support/NumericLocale.h"

namespace {

using device::AppSettings;
using device::ConnectionMode;
using device::DeviceType;
using device::PresetType;
using device::ZRXMLDecodingError;
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
  EXPECT_EQ(first.properties.size(), 30u);
  EXPECT_EQ(withoutUuid(first.properties), kDefaultTexts);
  EXPECT_EQ(first.properties.at("UUID"), first.uuid);
  EXPECT_EQ(first.uuid.size(), 36u);
  EXPECT_EQ(first.uuid.find_first_of("abcdef"), std::string::npos);
  EXPECT_NE(first.uuid, second.uuid);
  EXPECT_EQ(withoutUuid(second.properties), kDefaultTexts);
  EXPECT_TRUE(first.lastLocalPreset.name.empty());
  EXPECT_EQ(first.lastLocalPreset.type, PresetType::preset);
}

struct DecodeCase {
  const char* entries;
  std::function<bool(const AppSettings&)> fields;  // the fields the entries set
  AppSettings::Properties texts;                    // changed or added texts; all others default
  const char* error = nullptr;
};

TEST(AppSettings, DecodeReadsFieldsThenMergesTheDocumentTexts) {
  const DecodeCase cases[] = {
      {"", [](const AppSettings& a) { return a.masterMidGainDb == -20.0f; }, {}},
      {R"(<VALUE name="MasterMidGainDB" val="-12"/>)", [](const AppSettings& a) { return a.masterMidGainDb == -12.0f; },
       {{"MasterMidGainDB", "-12"}}},
      {R"(<VALUE name="Foo" val="x"/><VALUE val="1"/><VALUE name="ExclusiveSolo"/><Other name="PW" val="p"/>)",
       [](const AppSettings& a) { return !a.exclusiveSolo && a.password.empty(); }, {}, R"(attribute "val" not found for "VALUE")"},
      {R"(<VALUE name="Foo" val="x"/><VALUE val="1"/><Other name="PW" val="p"/>)",
       [](const AppSettings& a) { return a.password.empty(); }, {{"Foo", "x"}}},
      {R"(<VALUE name="ExclusiveSolo" val="1"/><VALUE name="ExclusiveSolo" val="0"/>)",
       [](const AppSettings& a) { return a.exclusiveSolo; }, {{"ExclusiveSolo", "0"}}},
      {R"(<VALUE name="TechnicianMode" val="30"/><VALUE name="PelionType" val="VELTO:tamo"/>)",
       [](const AppSettings& a) {
         return a.technicianMode == ConnectionMode::Technician && a.pelionType == DeviceType::Value::tamo;
       },
       {{"TechnicianMode", "30"}, {"PelionType", "VELTO:tamo"}}},
      {R"(<VALUE name="PW" val="pw"/><VALUE name="TechnicianMode" val="35"/>)",
       [](const AppSettings& a) { return a.password == "pw" && a.technicianMode == ConnectionMode::Admin; }, {},
       R"(value "35" of attribute VALUE.val could not be converted to the expected type.)"},
      // ChMidGainDB is read before ChPeakGainDB; later keys and the texts stay untouched.
      {R"(<VALUE name="GroupGainStepdB" val="1.0"/><VALUE name="ChPeakGainDB" val="high"/>)"
       R"(<VALUE name="ChMidGainDB" val="-30"/><VALUE name="MasterMidGainDB" val="-10"/>)",
       [](const AppSettings& a) {
         return a.masterMidGainDb == -10.0f && a.chMidGainDb == -30.0f && a.chPeakGainDb == 10.0f &&
                a.groupGainStepDb == 0.5f;
       },
       {}, R"(value "high" of attribute VALUE.val could not be converted to the expected type.)"},
      {R"(<VALUE name="LastLocalPreset" val="Show1.vup"/>)",
       [](const AppSettings& a) { return a.lastLocalPreset.name == "Show1" && a.lastLocalPreset.type == PresetType::userShow; },
       {{"LastLocalPreset", "Show1.vup"}}},
      {R"(<VALUE name="LastLocalPreset" val="Show1.VELTOshow"/>)",
       [](const AppSettings& a) { return a.lastLocalPreset.name == "Show1" && a.lastLocalPreset.type == PresetType::preset; },
       {{"LastLocalPreset", "Show1.VELTOshow"}}},
      {R"(<VALUE name="LastLocalPreset" val="Show1.txt"/><VALUE name="AppName" val="Mix"/>)",
       [](const AppSettings& a) { return a.lastLocalPreset.name.empty() && a.appName == "Mix"; },
       {{"LastLocalPreset", "Show1.txt"}, {"AppName", "Mix"}}},
      {R"(<VALUE name="LastLocalPreset"/>)", [](const AppSettings&) { return true; }, {},
       R"(attribute "val" not found for "VALUE")"},
  };
  for (const DecodeCase& c : cases) {
    const auto xml = ZRXMLParser::parseDocument(std::string("<Device><Settings>") + c.entries + "</Settings></Device>");
    std::optional<std::string> error;
    std::unique_ptr<AppSettings> settings;
    AppSettings updated;
    try {
      settings = std::make_unique<AppSettings>(xml);
    } catch (const ZRXMLDecodingError& e) {
      error = e.description();
    }
    EXPECT_EQ(error, c.error ? std::optional<std::string>(c.error) : std::nullopt) << c.entries;
    EXPECT_EQ(settings == nullptr, c.error != nullptr) << c.entries;
    // The same entries decoded into an existing object: fields read before a failure stay.
    try {
      updated.decode(xml->children.front());
    } catch (const ZRXMLDecodingError&) {
    }
    EXPECT_TRUE(c.fields(updated)) << c.entries;
    auto expected = kDefaultTexts;
    for (const auto& [key, text] : c.texts) expected.insert_or_assign(key, text);
    EXPECT_EQ(withoutUuid(updated.properties), expected) << c.entries;
    if (settings) {
      EXPECT_EQ(withoutUuid(settings->properties), expected) << c.entries;
    }
  }
}

TEST(AppSettings, ElementWithoutSettingsChildGivesNoObject) {
  try {
    AppSettings settings(ZRXMLParser::parseDocument(R"(<Device Name="AppSettings"><Setting/></Device>)"));
    ADD_FAILURE() << "made an object";
  } catch (const ZRXMLDecodingError& e) {
    EXPECT_EQ(e, ZRXMLDecodingError::childNotFound("Device", "Settings"));
  }
}

TEST(AppSettings, CopyHoldsTheThirtyCanonicalTexts) {
  auto source = std::make_shared<AppSettings>();
  source->decode(ZRXMLParser::parseDocument(
      R"(<Settings><VALUE name="MasterMidGainDB" val="-12"/><VALUE name="ChannelGainStepdB" val="1.25e0"/>)"
      R"(<VALUE name="Foo" val="x"/><VALUE name="RotvGroupLock" val="YES"/></Settings>)"));
  source->appName = "Monitor";  // a field written directly, not yet in the texts
  const auto copy = device::deepCopy(source);
  auto expected = kDefaultTexts;
  expected.insert_or_assign("MasterMidGainDB", "-12.0");
  expected.insert_or_assign("ChannelGainStepdB", "1.2");  // "%.1f" of 1.25
  expected.insert_or_assign("RotvGroupLock", "1");
  expected.insert_or_assign("AppName", "Monitor");
  EXPECT_EQ(withoutUuid(copy->properties), expected);
  EXPECT_EQ(copy->uuid, source->uuid);
  EXPECT_EQ(copy->properties.at("UUID"), source->uuid);
  EXPECT_EQ(source->properties.at("MasterMidGainDB"), "-12");
  EXPECT_EQ(source->properties.at("AppName"), "");
}

TEST(AppSettingsContainer, StoresTheSameTextsAsTheSettings) {
  testsupport::NumericLocale decimalComma;
  AppSettings::Container container;
  EXPECT_TRUE(container.properties.empty());
  container.setChGainStepDb(1.5f);
  container.setExclusiveSolo(false);
  container.setExclusiveSolo(true);
  container.setGroupGainStepDb(-0.25f);
  container.setAppName("Front of house");
  container.setDisplayDim(true);
  EXPECT_EQ(container.properties, (AppSettings::Properties{{"ChannelGainStepdB", "1.5"},
                                                           {"ExclusiveSolo", "1"},
                                                           {"GroupGainStepdB", "-0.2"},
                                                           {"AppName", "Front of house"},
                                                           {"RotvDisplayDim", "1"}}));

  // Every member set to the defaults renders exactly the texts of a new object.
  AppSettings::Container defaults;
  const AppSettings fresh;
  defaults.setRelativeGroupMixing(fresh.relativeGroupMixing);
  defaults.setExclusiveSolo(fresh.exclusiveSolo);
  defaults.setDemoModeAvailable(fresh.demoModeAvailable);
  defaults.setPanningMode(fresh.panningMode);
  defaults.setChGainStepDb(fresh.chGainStepDb);
  defaults.setGroupGainStepDb(fresh.groupGainStepDb);
  defaults.setMuteSoloAvailable(fresh.muteSoloAvailable);
  defaults.setAppName(fresh.appName);
  defaults.setShowDecibels(fresh.showDecibels);
  defaults.setChannelConfigAvailable(fresh.channelConfigAvailable);
  defaults.setAmbAuxControl(fresh.ambAuxControl);
  defaults.setSaveLoad(fresh.saveLoad);
  defaults.setGroupLock(fresh.groupLock);
  defaults.setLocalConfigMenuAvailable(fresh.localConfigMenuAvailable);
  defaults.setGroupAvailable(fresh.groupAvailable);
  defaults.setRelativeGroups(fresh.relativeGroups);
  defaults.setAutoUnmute(fresh.autoUnmute);
  defaults.setDisplayDim(fresh.displayDim);
  EXPECT_EQ(defaults.properties.size(), 18u);
  for (const auto& [key, text] : defaults.properties) EXPECT_EQ(fresh.properties.at(key), text) << key;
}

}  // namespace
