#include "osc/OSCAddress.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "osc/AddressParts.h"
#include "osc/WireFormat.h"

namespace osc {

namespace {

// Sixteen bytes at a time: GCC's vector extensions compile to SIMD compares where there are any.
using Bytes = unsigned char __attribute__((vector_size(16)));
using SignedBytes = signed char __attribute__((vector_size(16)));

Bytes load(const char* p) {
  Bytes bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return bytes;
}

// 0xFF for every byte an address part may not hold (anything but printable ASCII, and space
// # * , ? [ ] { }) and for every "/" that follows a "/"; 0 elsewhere. `previous` holds the bytes
// one position earlier. "[" and "{", "]" and "}" differ only in the 0x20 bit.
Bytes faults(Bytes current, Bytes previous) {
  // Signed, bytes from 0x80 on are negative: one signed compare (native on SSE2) finds them too.
  const auto asSigned = reinterpret_cast<SignedBytes>(current);
  const Bytes notPrintable = reinterpret_cast<Bytes>((asSigned < 0x21) | (asSigned == 0x7F));
  const Bytes folded = current | 0x20;
  const Bytes reserved = (current == '#') | (current == '*') | (current == ',') | (current == '?') |
                         (folded == '{') | (folded == '}');
  const Bytes emptyPart = (current == '/') & (previous == '/');
  return notPrintable | reserved | emptyPart;
}

bool any(Bytes bytes) {
  std::uint64_t halves[2];
  std::memcpy(halves, &bytes, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

// A byte mask as two 64-bit halves; on a little-endian machine the first byte is the lowest.
struct Halves {
  std::uint64_t low, high;
};

Halves halves(Bytes bytes) {
  Halves h;
  std::memcpy(&h, &bytes, sizeof h);
  return h;
}

// The index of the first flagged byte, or 16 when there is none.
std::size_t firstFlagged(Halves h) {
  if (h.low != 0) return static_cast<std::size_t>(std::countr_zero(h.low)) / 8;
  if (h.high != 0) return 8 + static_cast<std::size_t>(std::countr_zero(h.high)) / 8;
  return 16;
}

// Whether any of the first `count` (0 ..< 16) bytes is flagged.
bool anyBefore(Halves h, std::size_t count) {
  if (count < 8) return (h.low & ((std::uint64_t{1} << (8 * count)) - 1)) != 0;
  return (h.low | (h.high & ((std::uint64_t{1} << (8 * (count - 8))) - 1))) != 0;
}

}  // namespace

OSCAddress::Scan OSCAddress::scan(const std::uint8_t* bytes, std::size_t size) {
  if constexpr (std::endian::native != std::endian::little) {
    const auto* zero = size == 0 ? nullptr : static_cast<const std::uint8_t*>(std::memchr(bytes, 0, size));
    const std::size_t length = zero ? static_cast<std::size_t>(zero - bytes) : size;
    return {length, isValid(std::string_view(reinterpret_cast<const char*>(bytes), length))};
  }
  if (size == 0 || bytes[0] == 0) return {0, false};  // the blocks below start at the second byte
  if (size <= sizeof(Bytes)) {
    // A short datagram: scanned from a copy padded with 0 bytes, which ends the text at `size`.
    std::uint8_t padded[sizeof(Bytes) + 1] = {};
    if (size > 0) std::memcpy(padded, bytes, size);
    return scan(padded, sizeof padded);
  }
  // Blocks of 16 from the second byte on (the first must be "/"), until the one with the 0 byte;
  // the last block overlaps the one before it. A text without a 0 byte runs to `size`.
  const char* data = reinterpret_cast<const char*>(bytes);
  bool faulty = bytes[0] != '/';
  for (std::size_t k = 1;; k += sizeof(Bytes)) {
    const std::size_t at = std::min(k, size - sizeof(Bytes));
    const Bytes current = load(data + at);
    const Halves fault = halves(faults(current, load(data + at - 1)));
    const std::size_t zero = firstFlagged(halves(current == 0));
    if (zero < sizeof(Bytes)) {
      // Bytes of the overlap were clean when first seen: counting them again changes nothing.
      const std::size_t length = at + zero;
      return {length, !faulty && length >= 2 && !anyBefore(fault, zero)};
    }
    faulty |= (fault.low | fault.high) != 0;
    if (at + sizeof(Bytes) == size) return {size, !faulty};
  }
}

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
  return OSCAddress(withoutTrailingSlash(text));
}

OSCAddress::OSCAddress(std::string_view validated) : size_(static_cast<std::uint32_t>(validated.size())) {
  if (size_ <= inlineCapacity) {
    std::memcpy(inline_, validated.data(), size_);
  } else {
    string_.store(new std::string(validated), std::memory_order_relaxed);
  }
}

OSCAddress::OSCAddress(const OSCAddress& other) : OSCAddress(other.text()) {}

// A move has both values to itself: plain loads and stores suffice.
OSCAddress::OSCAddress(OSCAddress&& other) noexcept
    : size_(other.size_), string_(other.string_.load(std::memory_order_relaxed)) {
  other.string_.store(nullptr, std::memory_order_relaxed);
  if (size_ <= inlineCapacity) {
    std::memcpy(inline_, other.inline_, size_);
  } else {
    other.size_ = 0;  // its text went with the string
  }
}

OSCAddress& OSCAddress::operator=(const OSCAddress& other) {
  if (this != &other) *this = OSCAddress(other);
  return *this;
}

OSCAddress& OSCAddress::operator=(OSCAddress&& other) noexcept {
  if (this == &other) return *this;
  delete string_.load(std::memory_order_relaxed);
  string_.store(other.string_.load(std::memory_order_relaxed), std::memory_order_relaxed);
  other.string_.store(nullptr, std::memory_order_relaxed);
  size_ = other.size_;
  if (size_ <= inlineCapacity) {
    std::memcpy(inline_, other.inline_, size_);
  } else {
    other.size_ = 0;
  }
  return *this;
}

const std::string& OSCAddress::address() const {
  std::string* made = string_.load(std::memory_order_acquire);
  if (made) return *made;
  auto fresh = std::make_unique<std::string>(text());
  // Another thread may have made it first; then its string is the one kept.
  if (string_.compare_exchange_strong(made, fresh.get(), std::memory_order_acq_rel)) made = fresh.release();
  return *made;
}

std::vector<std::string_view> OSCAddress::parts() const { return splitAddressParts(text()); }

std::optional<std::string_view> OSCAddress::part(std::ptrdiff_t index) const {
  if (index < 0) return std::nullopt;
  std::string_view rest = text();
  for (std::ptrdiff_t k = 0;; ++k) {
    rest.remove_prefix(1);  // the "/" before the part
    const std::size_t end = rest.find('/');
    if (k == index) return rest.substr(0, end);
    if (end == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(end);
  }
}

std::uint8_t* OSCAddress::writeTo(std::uint8_t* p) const {
  std::memcpy(p, text().data(), size_);
  return wire::writePadding(p + size_, paddedSize() - size_);
}

void OSCAddress::encode(std::vector<std::uint8_t>& out) const { wire::appendEncoded(out, *this, paddedSize()); }

std::vector<std::uint8_t> OSCAddress::data() const { return wire::encoded(*this, paddedSize()); }

}  // namespace osc
