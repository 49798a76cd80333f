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

// Each option shows the very field whose key it writes (the controller's relative groups, the
// app's relative group mixing), and a mixed box writes nothing.
TEST(SettingsOptionsTest, OptionsShowAndWriteTheSameSetting) {
  for (auto options : {controllerFlagOptions(), appFlagOptions()}) {
    for (const auto& option : options) {
      AppSettings record;
      record.*option.field = !(record.*option.field);
      record.updateProperties();
      AppSettings::Container changes;
      writeFlag(changes, option, record.*option.field ? CheckState::on : CheckState::off);
      ASSERT_EQ(changes.properties.size(), 1u) << option.outlet;
      const auto& [key, text] = *changes.properties.begin();
      EXPECT_EQ(record.properties[key], text) << option.outlet;
      AppSettings::Container mixed;
      writeFlag(mixed, option, CheckState::mixed);
      EXPECT_TRUE(mixed.properties.empty()) << option.outlet;
    }
  }
  EXPECT_EQ(controllerFlagOptions().size(), 11u);
  EXPECT_EQ(appFlagOptions().size(), 5u);
}

}  // namespace
}  // namespace app
