#include "osc/OSCAddress.h"

#include <array>
#include <cstring>

#include "osc/AddressParts.h"
#include "osc/WireFormat.h"

namespace osc {

namespace {

// Per byte: 0 for a character an address part may hold, forbidden for the rest (anything but
// printable ASCII, and space # * , ? [ ] { }), slash for "/".
constexpr std::uint8_t forbidden = 1;
constexpr std::uint8_t slash = 2;
constexpr auto characterClasses = [] {
  std::array<std::uint8_t, 256> table{};
  table.fill(forbidden);
  for (int c = 0x21; c <= 0x7E; ++c) table[static_cast<std::size_t>(c)] = 0;
  for (char c : std::string_view("#*,?[]{}")) table[static_cast<unsigned char>(c)] = forbidden;
  table['/'] = slash;
  return table;
}();

}  // namespace

// Without "*", "?", brackets, braces and commas the pattern rules reduce to: a leading "/",
// non-empty parts (no "//", no "/" at the end once one trailing "/" is dropped), and only
// characters an address part may hold. Branch-free over the characters.
bool OSCAddress::isValid(std::string_view text) {
  text = withoutTrailingSlash(text);
  if (text.empty() || text.front() != '/') return false;
  std::uint8_t bad = 0;
  std::uint8_t previous = slash;
  for (std::size_t k = 1; k < text.size(); ++k) {
    const std::uint8_t current = characterClasses[static_cast<unsigned char>(text[k])];
    bad |= current & (previous | forbidden);
    previous = current;
  }
  return bad == 0 && previous != slash;
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

std::uint8_t* OSCAddress::writeTo(std::uint8_t* p) const {
  std::memcpy(p, address_.data(), address_.size());
  return wire::writePadding(p + address_.size(), paddedSize() - address_.size());
}

void OSCAddress::encode(std::vector<std::uint8_t>& out) const { wire::appendEncoded(out, *this, paddedSize()); }

std::vector<std::uint8_t> OSCAddress::data() const { return wire::encoded(*this, paddedSize()); }

}  // namespace osc
