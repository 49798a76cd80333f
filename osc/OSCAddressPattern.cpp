#include "osc/OSCAddressPattern.h"

#include <bitset>

#include "osc/AddressParts.h"
#include "osc/OSCAddress.h"

namespace osc {

namespace {

constexpr bool isPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }

// Opens or closes a pair; false when the pair is already open (or closed).
bool turn(bool& open, bool opening) {
  if (open == opening) return false;
  open = opening;
  return true;
}

// One part of a pattern: printable ASCII without space, "#" or "/"; "[" and "]" alternate
// starting with "[" and ending closed (pairs in order, no nesting, no overlap), the same for "{"
// and "}" independently, and every "," inside an open brace pair.
bool isValidPatternPart(std::string_view part) {
  if (part.empty()) return false;
  bool inBrackets = false;
  bool inBraces = false;
  for (char c : part) {
    if (!isPrintableAscii(c) || c == ' ' || c == '#' || c == '/') return false;
    switch (c) {
      case '[':
      case ']':
        if (!turn(inBrackets, c == '[')) return false;
        break;
      case '{':
      case '}':
        if (!turn(inBraces, c == '{')) return false;
        break;
      case ',':
        if (!inBraces) return false;
        break;
      default: break;
    }
  }
  return !inBrackets && !inBraces;
}

using CharacterSet = std::bitset<128>;

// The set of a character class text: a "-" between two characters stands for the codes between
// them (in either order); a "-" at either end is an ordinary character. A negated class starts
// from every printable character and removes.
CharacterSet classSet(std::string_view text, bool negated) {
  CharacterSet set;
  if (negated) {
    for (int c = 0x20; c <= 0x7E; ++c) set.set(static_cast<std::size_t>(c));
  }
  auto apply = [&](unsigned char c) {
    if (c < 128) set.set(c, !negated);
  };
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '-' && k > 0 && k + 1 < text.size()) {
      auto from = static_cast<unsigned char>(text[k - 1]);
      auto to = static_cast<unsigned char>(text[k + 1]);
      if (from > to) std::swap(from, to);
      for (unsigned v = from; v <= to; ++v) apply(static_cast<unsigned char>(v));
    } else {
      apply(static_cast<unsigned char>(c));
    }
  }
  return set;
}

// One address part against one pattern part. "*" ends the comparison with a match; alternatives
// take the first one that fits and never go back.
bool matchPart(std::string_view a, std::string_view p) {
  if (a.empty() || p.empty()) return a.empty() && p.empty();
  if (p.front() == '*') return true;
  std::size_t i = 0;
  std::size_t j = 0;
  while (true) {
    const char c = p[j];
    if (c == '*') return true;
    if (c == '?') {
      ++i;
      ++j;
    } else if (c == '[') {
      const bool negated = j + 1 < p.size() && p[j + 1] == '!';
      const std::size_t start = j + (negated ? 2 : 1);
      const std::size_t close = start <= p.size() ? p.find(']', start) : std::string_view::npos;
      if (close == std::string_view::npos) return false;
      const auto ch = static_cast<unsigned char>(a[i]);
      if (ch >= 128 || !classSet(p.substr(start, close - start), negated).test(ch)) return false;
      ++i;
      j = close + 1;
    } else if (c == '{') {
      const std::size_t close = p.find('}', j + 1);
      if (close == std::string_view::npos) return false;
      const std::string_view list = p.substr(j + 1, close - j - 1);
      bool found = false;
      std::size_t from = 0;
      while (!found) {
        const std::size_t comma = list.find(',', from);
        const std::string_view alternative = list.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from);
        if (a.substr(i).starts_with(alternative)) {
          i += alternative.size();
          found = true;
        } else if (comma == std::string_view::npos) {
          return false;
        } else {
          from = comma + 1;
        }
      }
      j = close + 1;
    } else {
      if (c != a[i]) return false;
      ++i;
      ++j;
    }
    if (i >= a.size() || j >= p.size()) return i == a.size() && j == p.size();
  }
}

}  // namespace

bool OSCAddressPattern::isValid(std::string_view text) {
  text = withoutTrailingSlash(text);
  if (text.empty() || text.front() != '/') return false;
  for (const auto part : splitAddressParts(text)) {
    if (!isValidPatternPart(part)) return false;
  }
  return true;
}

std::optional<OSCAddressPattern> OSCAddressPattern::make(std::string_view text) {
  if (!isValid(text)) return std::nullopt;
  OSCAddressPattern result;
  result.pattern_ = std::string(withoutTrailingSlash(text));
  for (const auto part : splitAddressParts(result.pattern_)) result.parts_.emplace_back(part);
  result.literal_ = result.pattern_.find_first_of("*?[{") == std::string::npos;
  return result;
}

bool OSCAddressPattern::matches(const OSCAddress& address) const { return matches(address.text()); }

bool OSCAddressPattern::matches(std::string_view addressString) const {
  // Part by part, a pattern without wildcards matches only its own text.
  if (literal_ && addressString.starts_with('/')) return addressString == pattern_;
  std::size_t k = 0;
  std::size_t start = addressString.find('/');
  while (start != std::string_view::npos) {
    const std::size_t end = addressString.find('/', start + 1);
    if (k == parts_.size()) return false;
    const auto segment = addressString.substr(start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
    if (!matchPart(segment, parts_[k])) return false;
    ++k;
    start = end;
  }
  return k == parts_.size();
}

}  // namespace osc
