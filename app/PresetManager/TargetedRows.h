#pragma once
// The rows a command of the preset manager's lists works on: the selected rows plus the
// right-clicked row when there is one (-1: none), ascending, each once.

#include <algorithm>
#include <vector>

namespace app {

inline std::vector<int> targetedRows(std::vector<int> selectedRows, int clickedRow) {
  if (clickedRow >= 0) selectedRows.push_back(clickedRow);
  std::sort(selectedRows.begin(), selectedRows.end());
  selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
  return selectedRows;
}

}  // namespace app
