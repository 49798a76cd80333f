#include "osc/OSCAddress.h"

#include <cstring>

#include "osc/AddressParts.h"
#include "osc/WireFormat.h"

namespace osc {

namespace {

// Printable ASCII without the ten characters no address part may hold: space # * , / ? [ ] { }.
constexpr bool isAddressCharacter(char c) {
  if (c < 0x20 || c > 0x7E) return false;
  switch (c) {
    case ' ': case '#': case '*': case ',': case '/': case '?': case '[': case ']': case '{': case '}':
      return false;
    default:
      return true;
  }
}

}  // namespace

// Without "*", "?", brackets, braces and commas the pattern rules reduce to: a leading "/",
// non-empty parts, printable characters.
bool OSCAddress::isValid(std::string_view text) {
  text = withoutTrailingSlash(text);
  if (text.empty() || text.front() != '/') return false;
  bool partEmpty = true;
  for (std::size_t k = 1; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '/') {
      if (partEmpty) return false;
      partEmpty = true;
    } else if (isAddressCharacter(c)) {
      partEmpty = false;
    } else {
      return false;
    }
  }
  return !partEmpty;
}

std::optional<OSCAddress> OSCAddress::make(std::string_view text) {
  if (!isValid(text)) return std::nullopt;
  return OSCAddress(std::string(withoutTrailingSlash(text)));
}

std::vector<std::string_view> OSCAddress::parts() const { return splitAddressParts(address_); }

std::optional<std::string_view> OSCAddress::part(std::ptrdiff_t index) const {
  if (index < 0) return std::nullopt;
  std::string_view rest = address_;
  for (std::ptrdiff_t k = 0;; ++k) {
    rest.remove_prefix(1);  // the "/" before the part
    const std::size_t end = rest.find('/');
    if (k == index) return rest.substr(0, end);
    if (end == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(end);
  }
}

void OSCAddress::encode(std::vector<std::uint8_t>& out) const {
  std::memcpy(wire::grow(out, paddedSize()), address_.data(), address_.size());
}

std::vector<std::uint8_t> OSCAddress::data() const {
  std::vector<std::uint8_t> out;
  out.reserve(paddedSize());
  encode(out);
  return out;
}

}  // namespace osc
