#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "device/Model/PresetName.h"

namespace {

using device::PresetName;
using device::PresetType;
using std::nullopt;

struct Expected {
  std::string name;
  std::optional<std::string> backupDate;
  PresetType type;
  std::optional<std::string> rawDate;
};

void expectParts(const PresetName& parsed, const Expected& e) {
  EXPECT_EQ(parsed.name, e.name);
  EXPECT_EQ(parsed.backupDate, e.backupDate);
  EXPECT_EQ(parsed.type, e.type);
  EXPECT_EQ(parsed.rawDate, e.rawDate);
}

TEST(PresetName, ParsesListTexts) {
  const auto P = PresetType::preset;
  const auto U = PresetType::userShow;
  const std::pair<std::string, Expected> cases[] = {
      {"Show", {"Show", nullopt, P, nullopt}},
      {"Show_[bkup_2024-01-01] (USER SHOW) *[2024-05-01T10:20:30.123Z]",
       {"Show", "2024-01-01", U, "2024-05-01T10:20:30.123Z"}},
      {"Show (PRESET)", {"Show", nullopt, P, nullopt}},
      {"Show *[2024-05-01T10:20:30.123+02:00]", {"Show", nullopt, P, "2024-05-01T10:20:30.123+02:00"}},
      {"My Show", {"My Show", nullopt, P, nullopt}},
      {"My Show (USER SHOW)", {"My Show (USER SHOW)", nullopt, P, nullopt}},
      {"Show *[2024-05-01T10:20:30Z]", {"Show *[2024-05-01T10:20:30Z]", nullopt, P, nullopt}},
      {"A_B", {"A_B", nullopt, P, nullopt}},
      {"A_[bkup_x]_[bkup_y]", {"A", "x]_[bkup_y", P, nullopt}},
      {"", {"", nullopt, P, nullopt}},
      // Unicode: a no-break space is white space; other letters are not.
      {"My\u00A0Show (USER SHOW)", {"My\u00A0Show (USER SHOW)", nullopt, P, nullopt}},
      {"Show *[\u0662\u0660\u0662\u0664-05-01T10:20:30.123Z]",
       {"Show", nullopt, P, "\u0662\u0660\u0662\u0664-05-01T10:20:30.123Z"}},  // any decimal digits
      {"Sh\u00F6w (USER SHOW)", {"Sh\u00F6w", nullopt, U, nullopt}},
      {"Show_[bkup_a\u2003b]", {"Show_[bkup_a\u2003b]", nullopt, P, nullopt}},
      // The type text runs to the last ") " before a stamp, but not over a line break.
      {"Show (a) (USER SHOW)", {"Show", nullopt, P, nullopt}},
      {"Show (USER\rSHOW)", {"Show (USER\rSHOW)", nullopt, P, nullopt}},
      {"Show (USER\u2028SHOW)", {"Show (USER\u2028SHOW)", nullopt, P, nullopt}},
      {"Show ()", {"Show", nullopt, P, nullopt}},
      {"Show\n", {"Show\n", nullopt, P, nullopt}},
      {"Show *[2024-05-01T10:20:30.123Z] ", {"Show *[2024-05-01T10:20:30.123Z] ", nullopt, P, nullopt}},
      {std::string("Sh\0w", 4), {std::string("Sh\0w", 4), nullopt, P, nullopt}},
      {"\xff\xfe (USER SHOW)", {"\xff\xfe (USER SHOW)", nullopt, P, nullopt}},  // not UTF-8: no split
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    expectParts(PresetName(text), expected);
  }
}

TEST(PresetName, ParsesFileNames) {
  const std::pair<const char*, std::optional<Expected>> cases[] = {
      {"Show_[bkup_1].vup", Expected{"Show", "1", PresetType::userShow, nullopt}},
      {"Show.VELTOshow", Expected{"Show", nullopt, PresetType::preset, nullopt}},
      {"Show (USER SHOW).VELTOshow", Expected{"Show", nullopt, PresetType::preset, nullopt}},
      {"My Show.x.vup", Expected{"My Show.x", nullopt, PresetType::userShow, nullopt}},
      {".VELTOshow", Expected{"", nullopt, PresetType::preset, nullopt}},
      {"Show.veltoshow", nullopt},
      {"Show.xml", nullopt},
      {"Show", nullopt},
      {"Show.vup.bak", nullopt},
  };
  for (const auto& [fileName, expected] : cases) {
    SCOPED_TRACE(fileName);
    const auto parsed = PresetName::fromFileName(fileName);
    ASSERT_EQ(parsed.has_value(), expected.has_value());
    if (parsed) expectParts(*parsed, *expected);
  }
  const auto fromPath = PresetName::fromURL("/home/u/presets/Mix_[bkup_2].vup");
  ASSERT_TRUE(fromPath);
  expectParts(*fromPath, {"Mix", "2", PresetType::userShow, nullopt});
}

TEST(PresetName, BuildsTexts) {
  PresetName name("Show", nullopt, PresetType::userShow, "1");
  EXPECT_EQ(name.baseName(), "Show_[bkup_1]");
  EXPECT_EQ(name.fileName(), "Show_[bkup_1].vup");
  EXPECT_EQ(PresetName("Show").fileName(), "Show.VELTOshow");
  EXPECT_EQ(PresetName::fromFileName(name.fileName()), name);
  EXPECT_EQ(name.utType(), PresetName::utType(PresetType::userShow));
  EXPECT_TRUE(name.utType().matches(name.fileName()));
  EXPECT_NE(name.utType(), PresetName("Show").utType());

  name.rawDate = "2024-05-01T12:20:30.123+02:00";
  EXPECT_EQ(name.description(), "Show *[2024-05-01T10:20:30.123Z]");  // shown in UTC
  EXPECT_EQ(name.fileName(), "Show_[bkup_1].vup");                    // no stamp in file names
  name.rawDate = "yesterday";
  EXPECT_EQ(name.description(), "Show");
  EXPECT_FALSE(name.date());
}

TEST(PresetName, DateRoundTripsToTheMillisecond) {
  using namespace std::chrono;
  PresetName name("Show");
  const platform::Date instant = sys_days{2026y / March / 4} + 5h + 6min + 7s + 891ms;
  name.setDate(instant);
  ASSERT_TRUE(name.rawDate);
  EXPECT_EQ(name.rawDate->back(), 'Z');
  EXPECT_EQ(name.date(), instant);
  name.setDate(nullopt);
  EXPECT_FALSE(name.rawDate);
}

TEST(PresetName, DefaultsBackupsEqualityAndOrder) {
  for (const char* text : {"Default", "DEFAULTOFF", "default_[bkup_1]", "defaultOff (USER SHOW)"}) {
    EXPECT_TRUE(PresetName::isDefault(text)) << text;
  }
  for (const char* text : {"default1", "my default", ""}) EXPECT_FALSE(PresetName::isDefault(text)) << text;
  EXPECT_TRUE(PresetName("A_[bkup_1]").isBackup());
  EXPECT_FALSE(PresetName("A").isBackup());

  const PresetName early("Show *[2024-05-01T10:20:30.123Z]");
  const PresetName late("Show *[2024-05-01T10:20:30.124Z]");
  EXPECT_EQ(early, late);
  EXPECT_NE(PresetName("Show"), PresetName("Show_[bkup_1]"));
  EXPECT_NE(PresetName("Show"), PresetName("Show (USER SHOW)"));
  EXPECT_TRUE(early < late);
  EXPECT_TRUE(late > early);
  EXPECT_FALSE(late < early);
  EXPECT_FALSE(PresetName("Show") < late);                                // no date on one side
  EXPECT_FALSE(PresetName("Other *[2024-05-01T10:20:30.125Z]") > early);  // other name
}

TEST(PresetName, KeyedCoding) {
  const PresetName full("Show", "2024-05-01T10:20:30.123Z", PresetType::userShow, "2024-01-01");
  const nlohmann::json json = full;
  EXPECT_EQ(json, nlohmann::json::parse(R"({"name":"Show","rawDate":"2024-05-01T10:20:30.123Z",
                                              "type":"USER SHOW","backupDate":"2024-01-01"})"));
  const auto back = json.get<PresetName>();
  expectParts(back, {"Show", "2024-01-01", PresetType::userShow, "2024-05-01T10:20:30.123Z"});
  EXPECT_EQ(nlohmann::json(PresetName("Show")), nlohmann::json::parse(R"({"name":"Show","type":"PRESET"})"));
  expectParts(
      nlohmann::json::parse(R"({"name":"A","type":"PRESET","extra":1,"rawDate":null})").get<PresetName>(),
      {"A", nullopt, PresetType::preset, nullopt});
  for (const char* bad :
       {R"({"type":"PRESET"})", R"({"name":"A"})", R"({"name":"A","type":"preset"})",
        R"({"name":5,"type":"PRESET"})", R"({"name":"A","type":"PRESET","backupDate":1})", "[]"}) {
    EXPECT_THROW(nlohmann::json::parse(bad).get<PresetName>(), nlohmann::json::exception) << bad;
  }
}

TEST(PresetName, FirstUseFromManyThreadsAtOnce) {
  // Each test runs in its own process, so this is the expression's first use.
  std::vector<std::thread> threads;
  std::vector<int> ok(8, 0);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&ok, i] {
      const PresetName parsed("Show_[bkup_" + std::to_string(i) + "] (USER SHOW)");
      ok[static_cast<std::size_t>(i)] = parsed.name == "Show" && parsed.backupDate == std::to_string(i);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok, std::vector<int>(8, 1));
}

TEST(PresetName, LongNamesParseInLinearTime) {
  const std::string text = std::string(1 << 20, 'a') + " (USER SHOW)";
  EXPECT_EQ(PresetName(text).type, PresetType::userShow);
  const std::string blanks = std::string(1 << 20, 'a') + std::string(1 << 16, ' ') + "x";
  EXPECT_EQ(PresetName(blanks).name, blanks);
}

}  // namespace
