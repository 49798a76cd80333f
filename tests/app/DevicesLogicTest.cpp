// The logic behind the devices window's sheets and panes: the selector's boxes, the network settings
// and the settings options.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "app/Devices/DeviceSelection.h"
#include "app/Devices/NetworkSettings.h"
#include "app/Devices/SettingsOptions.h"
#include "tests/support/NumericLocale.h"

namespace app {
namespace {

using device::AppSettings;
using device::IPv4Address;
using Kind = NetworkChange::Kind;
using Rows = std::vector<std::size_t>;

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

TEST(DeviceSelectionTest, ABoxChangesItsRowAndEverySelectedRow) {
  struct Case {
    const char* name;
    std::size_t row;
    bool ticked;
    Rows selected;
    Rows changed;
    Rows tickedAfter;
  };
  const std::vector<Case> cases{
      {"untick outside the selection", 5, false, {1, 3}, {1, 3, 5}, {0, 2, 4}},
      {"untick inside the selection", 3, false, {1, 3}, {1, 3}, {0, 2, 4, 5}},
      {"no selection", 2, false, {}, {2}, {0, 1, 3, 4, 5}},
      {"stale selected row", 0, false, {0, 9}, {0}, {1, 2, 3, 4, 5}},
      {"tick again", 4, true, {4}, {4}, {0, 1, 2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceSelection selection;
    selection.setRows({"a", "b", "c", "d", "e", "f"});
    EXPECT_EQ(selection.setTicked(c.row, c.ticked, c.selected), c.changed);
    EXPECT_EQ(selection.tickedRows(), c.tickedAfter);
  }
}

TEST(DeviceSelectionTest, RowsStartTickedAndMayAllBeUnticked) {
  DeviceSelection selection;
  selection.setRows({"Stage@127.0.0.2", "127.0.0.3"});
  EXPECT_EQ(selection.tickedRows(), (Rows{0, 1}));
  selection.setTicked(0, false, {0, 1});
  EXPECT_TRUE(selection.tickedRows().empty());
  selection.setRows({});
  EXPECT_TRUE(selection.tickedRows().empty());
  EXPECT_EQ(pickRows(std::vector<int>{10, 20, 30}, Rows{0, 2, 7}), (std::vector<int>{10, 30}));
}

TEST(DeviceSelectionTest, DevicesAreNamedByNameAndAddressOrAddressAlone) {
  EXPECT_EQ(deviceTitle("Monitor Left", "127.0.0.2"), "Monitor Left@127.0.0.2");
  EXPECT_EQ(deviceTitle(std::nullopt, "127.0.0.2"), "127.0.0.2");
}

NetworkAddressing addressing(const char* ip, const char* subnet, const char* gateway) {
  return {*IPv4Address::fromString(ip), *IPv4Address::fromString(subnet),
          *IPv4Address::fromString(gateway)};
}

TEST(NetworkSettingsTest, ApplyDecidesWhatToSendOrWhichErrorToShow) {
  const auto automatic = addressing("0.0.0.0", "255.255.255.0", "0.0.0.0");
  const auto fixed = addressing("192.168.1.20", "255.255.255.0", "192.168.1.1");
  struct Case {
    const char* name;
    NetworkAddressing current;
    AddressMode mode;
    const char* ip;
    const char* subnet;
    const char* gateway;
    std::optional<std::string> error;
    Kind kind;
  };
  const std::vector<Case> cases{
      {"automatic stays automatic", automatic, AddressMode::automatic, "x", "x", "x", {}, Kind::nothing},
      {"fixed to automatic", fixed, AddressMode::automatic, "x", "x", "x", {}, Kind::automatic},
      {"fixed unchanged", fixed, AddressMode::fixed, "192.168.1.20", "255.255.255.0", "192.168.1.1", {}, Kind::nothing},
      {"fixed changed", fixed, AddressMode::fixed, "192.168.1.21", "255.255.255.0", "192.168.1.1", {}, Kind::fixed},
      {"automatic to fixed", automatic, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "10.0.0.1", {}, Kind::fixed},
      {"octet out of range", fixed, AddressMode::fixed, "192.168.1.256", "255.255.255.0", "192.168.1.1",
       "Invalid IP Address provided", Kind::nothing},
      {"address checked before mask", fixed, AddressMode::fixed, "1.2.3", "255.255.255.256", "x",
       "Invalid IP Address provided", Kind::nothing},
      {"bad mask", fixed, AddressMode::fixed, "10.0.0.5", "255.255.0", "10.0.0.1", "Invalid Subnet Mask provided",
       Kind::nothing},
      {"bad gateway", fixed, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "gateway", "Invalid Gateway provided",
       Kind::nothing},
      {"parsing before refusing", fixed, AddressMode::fixed, "127.0.0.1", "255.0.0.0", "", "Invalid Gateway provided",
       Kind::nothing},
      {"loopback address", fixed, AddressMode::fixed, "127.0.0.1", "255.0.0.0", "0.0.0.0", "IP Address not supported",
       Kind::nothing},
      {"multicast address", fixed, AddressMode::fixed, "239.1.1.1", "255.0.0.0", "0.0.0.0", "IP Address not supported",
       Kind::nothing},
      {"zero address", automatic, AddressMode::fixed, "0.0.0.0", "255.255.255.0", "0.0.0.0",
       "IP Address not supported", Kind::nothing},
      {"address refused before gateway", fixed, AddressMode::fixed, "224.0.0.1", "255.0.0.0", "224.0.0.1",
       "IP Address not supported", Kind::nothing},
      {"other loopback address", fixed, AddressMode::fixed, "127.0.0.2", "255.0.0.0", "0.0.0.0", {}, Kind::fixed},
      {"multicast gateway", fixed, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "224.0.0.1", "Gateway not supported",
       Kind::nothing},
      {"loopback gateway", fixed, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "127.0.0.1", "Gateway not supported",
       Kind::nothing},
      {"any mask, other subnet", fixed, AddressMode::fixed, "10.0.0.5", "1.2.3.4", "192.168.7.7", {}, Kind::fixed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto decision = decideNetworkChange(c.current, c.mode, c.ip, c.subnet, c.gateway);
    EXPECT_EQ(decision.error, c.error);
    EXPECT_EQ(decision.change.kind, c.kind);
    if (c.kind == Kind::fixed) {
      EXPECT_EQ(decision.change.addressing, addressing(c.ip, c.subnet, c.gateway));
    }
  }
}

TEST(NetworkSettingsTest, TitleNamesTheDeviceOrItsAddress) {
  EXPECT_EQ(networkSettingsTitle("Stage Rack", "127.0.0.2"), "Network Settings for Stage Rack");
  EXPECT_EQ(networkSettingsTitle(std::nullopt, "127.0.0.2"), "Network Settings for 127.0.0.2");
}

}  // namespace
}  // namespace app
