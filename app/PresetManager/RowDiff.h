#pragma once
// The difference between two row lists, for animated table updates: which old rows go, which new
// rows come. Rows are matched by key with their multiplicity, in order: the k-th old row with a
// key stays as the k-th new row with that key, so duplicate rows stay, go and come one by one.
// When the rows that stay would change their order among themselves, `reordered` is set and the
// caller resets its model instead. Pure functions; any thread.

#include <cstddef>
#include <deque>
#include <map>
#include <vector>

namespace app {

struct RowDiff {
  std::vector<int> removed;   // old row indexes, ascending
  std::vector<int> inserted;  // new row indexes, ascending
  bool reordered = false;     // staying rows change their relative order

  bool empty() const { return removed.empty() && inserted.empty() && !reordered; }
};

// `key(row)` gives a value ordered by operator< that is equal exactly for rows that are the same.
template <class Row, class KeyFn>
RowDiff diffRows(const std::vector<Row>& before, const std::vector<Row>& after, KeyFn key) {
  using Key = decltype(key(after.front()));
  std::map<Key, std::deque<int>> unmatched;
  for (std::size_t i = 0; i < after.size(); ++i) unmatched[key(after[i])].push_back(static_cast<int>(i));

  RowDiff diff;
  std::vector<bool> matched(after.size(), false);
  int lastMatch = -1;
  for (std::size_t i = 0; i < before.size(); ++i) {
    auto found = unmatched.find(key(before[i]));
    if (found == unmatched.end() || found->second.empty()) {
      diff.removed.push_back(static_cast<int>(i));
      continue;
    }
    int j = found->second.front();
    found->second.pop_front();
    matched[static_cast<std::size_t>(j)] = true;
    if (j < lastMatch) diff.reordered = true;
    lastMatch = j;
  }
  for (std::size_t j = 0; j < after.size(); ++j) {
    if (!matched[j]) diff.inserted.push_back(static_cast<int>(j));
  }
  return diff;
}

}  // namespace app
