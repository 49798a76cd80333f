#include "app/Devices/DeviceSelection.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using Rows = std::vector<std::size_t>;

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

}  // namespace
}  // namespace app
