#pragma once
// The attributes of one ZRXMLElement: a map from name to text with unique names, kept sorted by
// name in byte order (code-point order for UTF-8), which is the order the writer puts them in.
// Stored as one contiguous sorted vector: elements carry a dozen or two attributes, and parsing
// and writing large documents stay cache-friendly. The interface is the familiar subset of
// std::map; unlike std::map, inserting or erasing invalidates iterators and references.
// No locking: owned by its element and used by one thread at a time.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <tuple>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace device {

class ZRXMLAttributes {
 public:
  using value_type = std::pair<std::string, std::string>;
  using iterator = std::vector<value_type>::iterator;
  using const_iterator = std::vector<value_type>::const_iterator;
  using size_type = std::size_t;

  ZRXMLAttributes() = default;
  // As std::map: of entries with the same name, the first one is kept.
  ZRXMLAttributes(std::initializer_list<value_type> entries) {
    entries_.reserve(entries.size());
    for (const auto& [name, value] : entries) emplace(name, value);
  }

  iterator begin() noexcept { return entries_.begin(); }
  iterator end() noexcept { return entries_.end(); }
  const_iterator begin() const noexcept { return entries_.begin(); }
  const_iterator end() const noexcept { return entries_.end(); }
  const_iterator cbegin() const noexcept { return entries_.cbegin(); }
  const_iterator cend() const noexcept { return entries_.cend(); }
  const value_type* data() const noexcept { return entries_.data(); }
  size_type size() const noexcept { return entries_.size(); }
  bool empty() const noexcept { return entries_.empty(); }
  void clear() noexcept { entries_.clear(); }
  void reserve(size_type count) { entries_.reserve(count); }

  iterator find(std::string_view name) {
    const auto at = lowerBound(name);
    return at != entries_.end() && at->first == name ? at : entries_.end();
  }
  const_iterator find(std::string_view name) const {
    return const_cast<ZRXMLAttributes*>(this)->find(name);
  }
  bool contains(std::string_view name) const { return find(name) != end(); }
  size_type count(std::string_view name) const { return contains(name) ? 1 : 0; }

  const std::string& at(std::string_view name) const {
    const auto found = find(name);
    if (found == end()) throw std::out_of_range("ZRXMLAttributes::at");
    return found->second;
  }
  std::string& at(std::string_view name) {
    return const_cast<std::string&>(std::as_const(*this).at(name));
  }

  // The value of `name`, inserted empty when missing.
  std::string& operator[](std::string_view name) { return emplace(std::string(name), {}).first->second; }

  // Inserts unless the name is present; as std::map::emplace.
  std::pair<iterator, bool> emplace(std::string name, std::string value) {
    // Entries usually arrive in order (documents this system wrote): append without a search.
    if (entries_.empty() || less(entries_.back().first, name)) {
      entries_.emplace_back(std::move(name), std::move(value));
      return {entries_.end() - 1, true};
    }
    const auto at = lowerBound(name);
    if (at != entries_.end() && at->first == name) return {at, false};
    return {entries_.emplace(at, std::move(name), std::move(value)), true};
  }
  // Sets `name` to `value`, inserting it when missing.
  std::pair<iterator, bool> insert_or_assign(std::string name, std::string value) {
    auto [at, inserted] = emplace(std::move(name), {});
    at->second = std::move(value);
    return {at, inserted};
  }

  size_type erase(std::string_view name) {
    const auto found = find(name);
    if (found == end()) return 0;
    entries_.erase(found);
    return 1;
  }
  iterator erase(const_iterator position) { return entries_.erase(position); }

  friend bool operator==(const ZRXMLAttributes&, const ZRXMLAttributes&) = default;

 private:
  friend class ZRXMLParser;

  // Byte order, with the common case (names that differ in their first byte) inline.
  static bool less(std::string_view a, std::string_view b) noexcept {
    if (!a.empty() && !b.empty() && a.front() != b.front()) {
      return static_cast<unsigned char>(a.front()) < static_cast<unsigned char>(b.front());
    }
    return a < b;
  }

  // For the parser, whose names are unique: append in document order, then restore the order once.
  void appendUnique(const char* name, const char* value) {
    entries_.emplace_back(std::piecewise_construct, std::forward_as_tuple(name), std::forward_as_tuple(value));
  }
  void sortByName() {
    const auto byName = [](const value_type& a, const value_type& b) { return less(a.first, b.first); };
    if (!std::is_sorted(entries_.begin(), entries_.end(), byName)) {
      std::sort(entries_.begin(), entries_.end(), byName);
    }
  }

  iterator lowerBound(std::string_view name) {
    return std::lower_bound(entries_.begin(), entries_.end(), name,
                            [](const value_type& entry, std::string_view key) { return less(entry.first, key); });
  }

  std::vector<value_type> entries_;
};

}  // namespace device
