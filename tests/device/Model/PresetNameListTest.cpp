#include <gtest/gtest.h>

#include <set>

#include "device/Model/PresetNameList.h"

namespace {

using device::PresetName;
using device::PresetNameList;
using device::PresetType;
using Names = std::vector<std::string>;

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

}  // namespace
