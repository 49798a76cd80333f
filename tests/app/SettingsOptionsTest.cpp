#include "app/Devices/SettingsOptions.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "tests/support/NumericLocale.h"

namespace app {
namespace {

using device::AppSettings;

std::shared_ptr<const AppSettings> settings(bool groupLock, float channelStep = 0.5f) {
  auto record = std::make_shared<AppSettings>();
  record->groupLock = groupLock;
  record->chGainStepDb = channelStep;
  return record;
}

TEST(SettingsOptionsTest, AFlagIsMixedWhenAnyLaterDeviceDiffersFromTheFirst) {
  struct Case {
    std::vector<bool> values;
    CheckState expected;
  };
  const std::vector<Case> cases{{{true}, CheckState::on},
                                {{false}, CheckState::off},
                                {{false, false, false}, CheckState::off},
                                {{true, true}, CheckState::on},
                                {{true, false}, CheckState::mixed},
                                {{false, false, true}, CheckState::mixed}};
  for (const auto& c : cases) {
    SettingsList list;
    for (bool value : c.values) list.push_back(settings(value));
    EXPECT_EQ(commonFlag(list, &AppSettings::groupLock), c.expected) << c.values.size() << " devices";
  }
}

TEST(SettingsOptionsTest, AGainStepIsCommonOnlyWhenEveryDeviceHasTheSameNumber) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    std::vector<float> steps;
    std::optional<float> expected;
  };
  const std::vector<Case> cases{{{0.5f}, 0.5f},       {{1.0f, 1.0f}, 1.0f}, {{0.5f, 1.0f}, std::nullopt},
                                {{0.5f, 0.5f, 1.5f}, std::nullopt}, {{0.5f, nan}, std::nullopt},
                                {{nan, nan}, std::nullopt}};
  for (const auto& c : cases) {
    SettingsList list;
    for (float step : c.steps) list.push_back(settings(false, step));
    EXPECT_EQ(commonGainStep(list, &AppSettings::chGainStepDb), c.expected) << c.steps.size() << " devices";
  }
  // One device: its value as it is, even one no menu title matches.
  EXPECT_TRUE(std::isnan(*commonGainStep({settings(false, nan)}, &AppSettings::chGainStepDb)));
}

TEST(SettingsOptionsTest, GainStepTitlesAreFourteenDecimalPointFormsThatReadBack) {
  testsupport::NumericLocale comma;  // Qt sets the process locale; titles must not follow it
  const auto titles = gainStepTitles();
  ASSERT_EQ(titles.size(), 14u);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "0.5"), titles.end());
  EXPECT_NE(std::find(titles.begin(), titles.end(), "1.0"), titles.end());
  float previous = 0;
  for (int k = 0; k < 14; ++k) {
    const auto value = gainStepOfSelection(k, titles[k]);
    ASSERT_TRUE(value) << titles[k];
    EXPECT_GT(*value, previous);
    EXPECT_EQ(gainStepTitle(*value), titles[k]);
    previous = *value;
  }
  EXPECT_EQ(gainStepTitle(0.5f), "0.5");
}

TEST(SettingsOptionsTest, OnlyASelectedTitleThatIsWhollyANumberGivesAGainStep) {
  struct Case {
    int index;
    const char* title;
    std::optional<float> expected;
  };
  const std::vector<Case> cases{{4, "0.5", 0.5f},
                                {-1, "", std::nullopt},
                                {multipleValuesIndex, "Multiple Values", std::nullopt},
                                {multipleValuesIndex, "0.5", std::nullopt},
                                {3, " 0.5", std::nullopt},
                                {3, "0.5 dB", std::nullopt},
                                {3, "0,5", std::nullopt},
                                {3, "", std::nullopt}};
  for (const auto& c : cases)
    EXPECT_EQ(gainStepOfSelection(c.index, c.title), c.expected) << c.index << " \"" << c.title << "\"";
}

// Each option writes the key of the very field it shows, and the reset column as the panes have it.
TEST(SettingsOptionsTest, OptionsShowAndWriteTheSameSettingUnderTheDeviceKeys) {
  struct Pane {
    std::span<const FlagOption> options;
    std::vector<std::pair<const char*, const char*>> keysAfterReset;
  };
  const std::vector<Pane> panes{
      {controllerFlagOptions(),
       {{"RotvAutoUnmute", "1"}, {"RotvRelativeGroups", "1"}, {"RotvMuteSoloAvailable", "1"},
        {"ExclusiveSolo", "1"}, {"RotvShowDecibels", "1"}, {"RotvGroupAvailable", "1"}, {"RotvGroupLock", "0"},
        {"RotvChannelConfigAvailable", "1"}, {"RotvAmbAuxCtrl", "1"}, {"RotvLocalConfigMenuAvailable", "1"},
        {"RotvSaveLoad", "1"}}},
      {appFlagOptions(),
       {{"DemoModeAvailable", "1"}, {"RelativeGroupMixing", "1"}, {"ExclusiveSolo", "0"},
        {"MonoStereo3DAvailable", "1"}, {"RotvMuteSoloAvailable", "1"}}},
  };
  for (const auto& pane : panes) {
    ASSERT_EQ(pane.options.size(), pane.keysAfterReset.size());
    AppSettings::Container reset;
    for (std::size_t k = 0; k < pane.options.size(); ++k) {
      const auto& option = pane.options[k];
      const std::string key = pane.keysAfterReset[k].first;
      writeFlag(reset, option, option.reset ? CheckState::on : CheckState::off);
      // The shown field is the one the record itself files under the written key.
      AppSettings record;
      record.*option.field = !(record.*option.field);
      record.updateProperties();
      EXPECT_EQ(record.properties[key], AppSettings::textForm(record.*option.field)) << option.outlet;
      // A mixed box writes nothing.
      AppSettings::Container mixed;
      writeFlag(mixed, option, CheckState::mixed);
      EXPECT_TRUE(mixed.properties.empty()) << option.outlet;
    }
    AppSettings::Properties expected;
    for (const auto& [key, text] : pane.keysAfterReset) expected.emplace(key, text);
    EXPECT_EQ(reset.properties, expected);
  }
}

}  // namespace
}  // namespace app
