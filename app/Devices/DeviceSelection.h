#pragma once
// The rows of the device selector and their tick rules, without widgets.
//
// Rows are titles in the caller's order; the caller keeps what each row stands for (a client) and
// maps the ticked row numbers back with pickRows. Every row starts ticked. Changing the box of one
// row changes every selected row of the table with it.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace app {

class DeviceSelection {
 public:
  // Replaces the rows; all ticked.
  void setRows(std::vector<std::string> titles);

  std::size_t size() const { return titles_.size(); }
  const std::string& title(std::size_t row) const { return titles_.at(row); }
  bool isTicked(std::size_t row) const { return ticked_.at(row); }

  // The box of `row` was set to `ticked` while `selectedRows` were selected in the table: sets it
  // on that row and on every selected row. Gives the rows changed, ascending; rows out of range are
  // passed over.
  std::vector<std::size_t> setTicked(std::size_t row, bool ticked,
                                     const std::vector<std::size_t>& selectedRows);

  // The ticked rows in row order; may be empty.
  std::vector<std::size_t> tickedRows() const;

 private:
  std::vector<std::string> titles_;
  std::vector<bool> ticked_;
};

// How a device is named in lists: "name@ip", or the address alone while its name is not known.
std::string deviceTitle(const std::optional<std::string>& name, const std::string& ip);

template <class T>
std::vector<T> pickRows(const std::vector<T>& items, const std::vector<std::size_t>& rows) {
  std::vector<T> picked;
  for (auto row : rows)
    if (row < items.size()) picked.push_back(items[row]);
  return picked;
}

}  // namespace app
