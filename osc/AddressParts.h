#pragma once
// Splitting address and pattern texts into their parts: the texts between the slashes, after the
// text before the first slash is dropped. Free functions; any thread.

#include <string_view>
#include <vector>

namespace osc {

// "/a/b" gives a and b; "/a//b" gives a, the empty text and b.
inline std::vector<std::string_view> splitAddressParts(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = text.find('/');
  while (start != std::string_view::npos) {
    const std::size_t end = text.find('/', start + 1);
    parts.push_back(text.substr(start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1));
    start = end;
  }
  return parts;
}

// One trailing "/" removed, when present.
inline std::string_view withoutTrailingSlash(std::string_view text) {
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  return text;
}

}  // namespace osc
