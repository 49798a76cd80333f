#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/Model/AppSettings.h"
#include "tests/device/Model/ModelXml.h"
#include "tests/support/NumericLocale.h"

namespace {

using device::AppSettings;
using modeltest::badValue;
using modeltest::errorOf;
using Texts = AppSettings::Properties;

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

}  // namespace
