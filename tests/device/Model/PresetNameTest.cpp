#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <re2/re2.h>
#include <set>
#include <string>
#include <tuple>

#include "device/Model/PresetName.h"
#include "device/Model/PresetNameList.h"
#include "device/Model/UnicodePattern.h"

namespace {

using device::PresetName;
using device::PresetType;
using std::nullopt;
using device::PresetNameList;
using Names = std::vector<std::string>;
using device::FinalLineBreak;
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
