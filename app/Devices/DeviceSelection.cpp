#include "app/Devices/DeviceSelection.h"

#include <algorithm>

namespace app {

void DeviceSelection::setRows(std::vector<std::string> titles) {
  titles_ = std::move(titles);
  ticked_.assign(titles_.size(), true);
}

std::vector<std::size_t> DeviceSelection::setTicked(std::size_t row, bool ticked,
                                                    const std::vector<std::size_t>& selectedRows) {
  std::vector<std::size_t> rows = selectedRows;
  rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::erase_if(rows, [this](std::size_t r) { return r >= ticked_.size(); });
  for (auto r : rows) ticked_[r] = ticked;
  return rows;
}

std::vector<std::size_t> DeviceSelection::tickedRows() const {
  std::vector<std::size_t> rows;
  for (std::size_t row = 0; row < ticked_.size(); ++row)
    if (ticked_[row]) rows.push_back(row);
  return rows;
}

std::string deviceTitle(const std::optional<std::string>& name, const std::string& ip) {
  return name ? *name + "@" + ip : ip;
}

}  // namespace app
