#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "device/Model/PresetNameList.h"

namespace {

using device::PresetName;
using device::PresetNameList;
using device::PresetType;

std::vector<std::string> baseNames(const std::vector<PresetName>& names) {
  std::vector<std::string> result;
  for (const auto& n : names) result.push_back(n.baseName() + "/" + n.fileExtension());
  return result;
}

PresetNameList sample() {
  PresetNameList list;
  for (const char* text : {"Show", "Show_[bkup_1]", "default", "Mix (USER SHOW)", "DefaultOff (USER SHOW)",
                           "DEFAULT_[bkup_2]", "Default1"}) {
    list.append(PresetName(text));
  }
  return list;
}

TEST(PresetNameList, Filters) {
  const PresetNameList list = sample();
  using V = std::vector<std::string>;
  const auto P = PresetType::preset;
  const auto U = PresetType::userShow;
  EXPECT_EQ(baseNames(list.presets()),
            (V{"Show/VELTOshow", "Show_[bkup_1]/VELTOshow", "Default1/VELTOshow"}));
  EXPECT_EQ(baseNames(list.filtered({P}, false, false)), (V{"Show/VELTOshow", "Default1/VELTOshow"}));
  EXPECT_EQ(baseNames(list.presetsIncludingDefaults()),
            (V{"Show/VELTOshow", "Show_[bkup_1]/VELTOshow", "default/VELTOshow", "DEFAULT_[bkup_2]/VELTOshow",
               "Default1/VELTOshow"}));
  EXPECT_EQ(baseNames(list.userShows()), (V{"Mix/vup"}));
  EXPECT_EQ(baseNames(list.userShowsIncludingDefaults()), (V{"Mix/vup", "DefaultOff/vup"}));
  EXPECT_EQ(baseNames(list.allWithoutDefaults()),
            (V{"Show/VELTOshow", "Show_[bkup_1]/VELTOshow", "Mix/vup", "Default1/VELTOshow"}));
  EXPECT_EQ(baseNames(list.allWithoutBackups()),
            (V{"Show/VELTOshow", "default/VELTOshow", "Mix/vup", "DefaultOff/vup", "Default1/VELTOshow"}));
  // A default backup is dropped when either flag excludes it.
  EXPECT_EQ(baseNames(list.filtered(true, false)).size(), 5u);
  EXPECT_EQ(baseNames(list.filtered(false, true)).size(), 4u);
  EXPECT_EQ(list.filtered(true, true).size(), list.count());
  EXPECT_EQ(list.filtered(std::set<PresetType>{U}, true, true).size(), 2u);
  for (bool d : {false, true}) {
    for (bool b : {false, true}) EXPECT_TRUE(list.filtered(std::vector<PresetType>{}, d, b).empty());
  }
  EXPECT_TRUE(PresetNameList().presets().empty());
}

TEST(PresetNameList, KeepsDuplicatesInOrder) {
  PresetNameList list;
  EXPECT_EQ(list.count(), 0u);
  list.append(PresetName("Show"));
  list.append(PresetName("Show"));
  EXPECT_EQ(list.count(), 2u);
  EXPECT_EQ(list.presets().size(), 2u);
}

}  // namespace
