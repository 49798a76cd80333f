// The logic of the preset manager window without widgets: the row difference behind animated
// reloads, targeted rows, the sort keys of both lists, the progress sheet's state and preset files.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "app/Dialogs.h"
#include "app/PresetManager/PresetFiles.h"
#include "app/PresetManager/PrivateFolder.h"
#include "app/PresetManager/ProgressSheet.h"
#include "app/PresetManager/RowDiff.h"
#include "app/PresetManager/SortKeys.h"
#include "app/PresetManager/TargetedRows.h"

namespace app {
namespace {

using device::PresetName;
using device::PresetType;
using namespace std::string_literals;

// Applies a diff the way the presets model does: removals bottom-up, then insertions ascending.
std::vector<std::string> apply(std::vector<std::string> rows, const std::vector<std::string>& after,
                               const RowDiff& diff) {
  for (auto it = diff.removed.rbegin(); it != diff.removed.rend(); ++it) rows.erase(rows.begin() + *it);
  for (int row : diff.inserted) rows.insert(rows.begin() + row, after[static_cast<std::size_t>(row)]);
  return rows;
}

TEST(RowDiffTest, MatchesRowsByOrderAndMultiplicity) {
  struct Case {
    const char* what;
    std::vector<std::string> before, after;
    std::vector<int> removed, inserted;
    bool reordered;
  };
  const Case cases[] = {
      {"unchanged", {"a", "b"}, {"a", "b"}, {}, {}, false},
      {"one gone, one new", {"a", "b", "c"}, {"a", "c", "d"}, {1}, {2}, false},
      {"a duplicate goes", {"x", "x", "y"}, {"x", "y"}, {1}, {}, false},
      {"duplicates come", {"x", "y"}, {"x", "x", "x", "y"}, {}, {1, 2}, false},
      {"duplicates both ways", {"x", "x", "y", "y"}, {"w", "x", "y", "y", "y"}, {1}, {0, 4}, false},
      {"everything new", {}, {"a", "a"}, {}, {0, 1}, false},
      {"everything gone", {"a", "a"}, {}, {0, 1}, {}, false},
      {"staying rows swap", {"a", "b"}, {"b", "a"}, {}, {}, true},
  };
  for (const auto& c : cases) {
    auto diff = diffRows(c.before, c.after, [](const std::string& row) { return row; });
    EXPECT_EQ(diff.removed, c.removed) << c.what;
    EXPECT_EQ(diff.inserted, c.inserted) << c.what;
    EXPECT_EQ(diff.reordered, c.reordered) << c.what;
    if (!diff.reordered) {
      EXPECT_EQ(apply(c.before, c.after, diff), c.after) << c.what;
    }
  }
}

TEST(TargetedRowsTest, SelectionPlusClickedRowAscendingOnce) {
  struct Case {
    std::vector<int> selected;
    int clicked;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{}, -1, {}},
      {{}, 3, {3}},
      {{4, 0}, 2, {0, 2, 4}},  // a right-click on an unselected row adds it
      {{1, 2}, 2, {1, 2}},     // on a selected row nothing is repeated
      {{5, 1, 5}, -1, {1, 5}},
  };
  for (const auto& c : cases) EXPECT_EQ(targetedRows(c.selected, c.clicked), c.expected);
}

TEST(SortKeysTest, CodePointOrderOfComposedTexts) {
  // Lower-cased: alpha, Beta, gamma in that order whatever their case.
  EXPECT_LT(lowercaseSortKey("alpha"), lowercaseSortKey("Beta"));
  EXPECT_LT(lowercaseSortKey("Beta"), lowercaseSortKey("gamma"));
  EXPECT_EQ(lowercaseSortKey("ÉTÉ"), lowercaseSortKey("été"));
  // Case-sensitive keys put upper case first, by code point.
  EXPECT_LT(canonicalSortKey("Zed"), canonicalSortKey("alpha"));
  // Composed and decomposed forms are one key.
  EXPECT_EQ(canonicalSortKey("Caf\u00e9"), canonicalSortKey("Cafe\u0301"));
  EXPECT_EQ(lowercaseSortKey("CAFE\u0301"), lowercaseSortKey("caf\u00e9"));
  // Code points, not UTF-16 units: U+FF5E comes before U+1F600 (whose first unit is D83D).
  EXPECT_LT(canonicalSortKey("\uff5e"), canonicalSortKey("\U0001F600"));
  // Ill-formed bytes do not stop the key.
  EXPECT_LT(canonicalSortKey("a\xff"), canonicalSortKey("b"));
}

struct Recorder {
  std::vector<std::string> events;
  void attach(ProgressSheet& sheet) {
    sheet.finishedHandler = [this, &sheet] {
      events.push_back(sheet.isShown() ? "finished while shown" : "finished");
    };
    sheet.cancelHandler = [this] { events.push_back("cancel"); };
  }
};

TEST(ProgressSheetTest, ClosesExactlyWhenTheValueReachesANonZeroMaximum) {
  struct Case {
    int maxValue;
    std::vector<int> values;
    std::vector<bool> shownAfter;
    int finishedCount;
  };
  const std::vector<Case> cases{
      {3, {1, 2, 3}, {true, true, false}, 1},
      {3, {1, 2, 4}, {true, true, true}, 0},
      {0, {0, 0}, {true, true}, 0},
      {3, {0}, {true}, 0},
      // Without a count the logical maximum is 100.
      {0, {50, 100}, {true, false}, 1},
      {1, {1}, {false}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "maximum " << c.maxValue);
    ProgressSheet sheet;
    Recorder recorder;
    recorder.attach(sheet);
    sheet.present();
    sheet.setMaxValue(c.maxValue);
    EXPECT_EQ(sheet.isIndeterminate(), c.maxValue == 0);
    EXPECT_EQ(sheet.maximum(), c.maxValue == 0 ? 100 : c.maxValue);
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      sheet.setValue(c.values[i]);
      EXPECT_EQ(sheet.isShown(), c.shownAfter[i]) << "after " << c.values[i];
    }
    EXPECT_EQ(recorder.events, std::vector<std::string>(c.finishedCount, "finished"));
  }
}

TEST(ProgressSheetTest, CancelClosesThenRunsFinishedThenCancel) {
  ProgressSheet sheet;
  Recorder recorder;
  recorder.attach(sheet);
  sheet.present();
  sheet.setMaxValue(5);
  sheet.setValue(2);
  sheet.cancelPressed();
  EXPECT_FALSE(sheet.isShown());
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"finished", "cancel"}));
  // A second press (a late Esc) on the closed sheet does nothing.
  sheet.cancelPressed();
  EXPECT_EQ(recorder.events.size(), 2u);
}

TEST(ProgressSheetTest, CancelRunsTheCancelHandlerOfTheOperationThatWasShown) {
  ProgressSheet sheet;
  std::vector<std::string> events;
  sheet.cancelHandler = [&] { events.push_back("first cancelled"); };
  // An owner that reacts to the close by presenting the next operation at once.
  sheet.finishedHandler = [&] {
    sheet.cancelHandler = [&] { events.push_back("second cancelled"); };
    sheet.finishedHandler = nullptr;
  };
  sheet.present();
  sheet.cancelPressed();
  EXPECT_EQ(events, std::vector<std::string>{"first cancelled"});
}

TEST(ProgressSheetTest, ANewShowingStartsEmptyAndAnOwnersCloseRunsNoHandler) {
  ProgressSheet sheet;
  Recorder recorder;
  recorder.attach(sheet);
  sheet.title = "Deleting Presets";
  sheet.subtitle = "on Stage";
  sheet.present();
  sheet.setMaxValue(3);
  sheet.setStatus("Deleting 2/3");
  sheet.setValue(2);
  EXPECT_EQ(sheet.statusText(), "Deleting 2/3");
  sheet.closeByOwner();  // no handler runs
  EXPECT_FALSE(sheet.isShown());

  sheet.title = "Copying Presets";
  sheet.subtitle.reset();
  sheet.present();
  EXPECT_EQ(sheet.titleText(), "Copying Presets");
  EXPECT_EQ(sheet.subtitleText(), "");
  EXPECT_EQ(sheet.statusText(), "");
  EXPECT_EQ(sheet.status(), "Deleting 2/3");
  EXPECT_EQ(sheet.value(), 0);
  EXPECT_TRUE(recorder.events.empty());
}

TEST(PresetFilesTest, NamesFromDevicesStayInsideTheirFolder) {
  struct Case {
    std::string name;
    std::optional<std::string> file;
  };
  const Case cases[] = {
      {"Show", "Show"},       {"a/b", "a_b"},       {"../x", ".._x"},   {"/", "_"},
      {".", std::nullopt},    {"..", std::nullopt}, {"", std::nullopt}, {"a\0b"s, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(safeFileName(c.name), c.file);
  }
  EXPECT_EQ(deviceFolderName({"SN1", "Stage/Left"}), "SN1 - Stage_Left");
  EXPECT_EQ(deviceFolderName({"..", ".."}), std::nullopt);
  EXPECT_EQ(presetFileName({"x", std::nullopt, PresetType::userShow, "2024/1"}), "x_[bkup_2024_1].vup");
  EXPECT_EQ(presetFileName({"..", std::nullopt, PresetType::preset, std::nullopt}), std::nullopt);
}

TEST(PresetFilesTest, WritesReplaceWholeFilesAndReadsAreBounded) {
  PrivateFolder folder("files-test");
  const auto path = folder.path() / "Show.VELTOshow";
  const std::vector<std::uint8_t> first{1, 2, 3}, second{4, 5};
  writeFileAtomically(path, first);
  writeFileAtomically(path, second);
  EXPECT_EQ(readWholeFile(path), second);
  EXPECT_THROW(readWholeFile(path, 1), std::filesystem::filesystem_error);
  // Only the file itself: no temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
  EXPECT_THROW(writeFileAtomically(folder.path() / "missing" / "x", first), std::filesystem::filesystem_error);
  EXPECT_THROW(readWholeFile(folder.path() / "missing"), std::filesystem::filesystem_error);
  // Alerts name the file and give the system's reason.
  const auto tooLong = folder.path() / (std::string(300, 'a') + ".VELTOshow");
  const auto failure = [](auto write) {
    try {
      write();
    } catch (...) {
      return errorDescription(std::current_exception());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure([&] { writeFileAtomically(tooLong, first); }),
            "Could not write \u201c" + tooLong.string() + "\u201d: File name too long");
  EXPECT_EQ(failure([] { throw std::filesystem::filesystem_error("x", "/p", std::make_error_code(std::errc::io_error)); }),
            "Could not access \u201c/p\u201d: Input/output error");
}

}  // namespace
}  // namespace app
