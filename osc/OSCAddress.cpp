#include "osc/OSCAddress.h"

#include <algorithm>
#include <cstring>

#include "osc/AddressParts.h"
#include "osc/WireFormat.h"

namespace osc {

namespace {

// Sixteen bytes at a time: GCC's vector extensions compile to SIMD compares where there are any.
using Bytes = unsigned char __attribute__((vector_size(16)));

Bytes load(const char* p) {
  Bytes bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return bytes;
}

// 0xFF for every byte an address part may not hold (anything but printable ASCII, and space
// # * , ? [ ] { }) and for every "/" that follows a "/"; 0 elsewhere. `previous` holds the bytes
// one position earlier.
Bytes faults(Bytes current, Bytes previous) {
  const Bytes notPrintable = (current - 0x21) > (0x7E - 0x21);
  const Bytes reserved = (current == '#') | (current == '*') | (current == ',') | (current == '?') |
                         (current == '[') | (current == ']') | (current == '{') | (current == '}');
  const Bytes emptyPart = (current == '/') & (previous == '/');
  return notPrintable | reserved | emptyPart;
}

bool any(Bytes bytes) {
  std::uint64_t halves[2];
  std::memcpy(halves, &bytes, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

}  // namespace

// Without "*", "?", brackets, braces and commas the pattern rules reduce to: a leading "/",
// non-empty parts (no "//", no "/" at the end once one trailing "/" is dropped), and only
// characters an address part may hold.
bool OSCAddress::isValid(std::string_view text) {
  text = withoutTrailingSlash(text);
  if (text.empty() || text.front() != '/' || text.back() == '/') return false;
  const char* data = text.data();
  const std::size_t size = text.size();
  Bytes found{};
  if (size > sizeof(Bytes)) {
    // Whole blocks from the second byte on; the last block overlaps the one before it.
    for (std::size_t k = 1; k < size; k += sizeof(Bytes)) {
      const std::size_t at = std::min(k, size - sizeof(Bytes));
      found |= faults(load(data + at), load(data + at - 1));
    }
  } else {
    // A short text, padded with a letter (allowed anywhere).
    char current[sizeof(Bytes)], previous[sizeof(Bytes)];
    std::memset(current, 'a', sizeof current);
    std::memset(previous, 'a', sizeof previous);
    std::memcpy(current, data + 1, size - 1);
    std::memcpy(previous, data, size - 1);
    found = faults(load(current), load(previous));
  }
  return !any(found);
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
