// The list rules of the preset manager window without widgets: the row difference behind animated
// reloads, targeted rows, and the sort keys of both lists.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PresetManager/RowDiff.h"
#include "app/PresetManager/SortKeys.h"
#include "app/PresetManager/TargetedRows.h"

namespace app {
namespace {

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

}  // namespace
}  // namespace app
