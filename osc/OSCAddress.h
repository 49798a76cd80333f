#pragma once
// A validated OSC address ("/Va/control/presetLoadComplete"): printable ASCII, non-empty parts,
// no wildcard, bracket, brace, comma, space or "#". Plain value; any thread.
//
// Addresses of up to inlineCapacity characters (every address the devices use) are kept inside
// the value, so that decoding one allocates nothing; address() makes its std::string on first
// use and keeps it with the value.

#include <atomic>
#include <concepts>
#include <utility>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NumberText.h"

namespace osc {

class OSCAddress {
 public:
  static bool isValid(std::string_view text);
  // The address, or nothing when the text is not valid. One trailing "/" is dropped.
  static std::optional<OSCAddress> make(std::string_view text);

  static constexpr std::size_t inlineCapacity = 48;

  OSCAddress(const OSCAddress& other);
  OSCAddress(OSCAddress&& other) noexcept;
  OSCAddress& operator=(const OSCAddress& other);
  OSCAddress& operator=(OSCAddress&& other) noexcept;
  ~OSCAddress() { delete string_.load(std::memory_order_relaxed); }

  // The address; a view into this value.
  std::string_view text() const {
    if (size_ <= inlineCapacity) return {inline_, size_};
    return *string_.load(std::memory_order_relaxed);  // set when the value was made, never changed
  }
  // The same text as a string, made on the first call; safe to call from several threads.
  const std::string& address() const;
  // The texts between the slashes, in order; views into text().
  std::vector<std::string_view> parts() const;
  // The part at the index, or nothing when the index is outside 0 ..< part count.
  std::optional<std::string_view> part(std::ptrdiff_t index) const;
  // The part converted from decimal text ("3" -> 3), or nothing when the index is out of range,
  // the text is not a number or the number does not fit T.
  template <std::integral T>
  std::optional<T> part(std::ptrdiff_t index) const;

  // The ASCII bytes, one 0 byte, zero bytes to a multiple of 4.
  std::vector<std::uint8_t> data() const;
  void encode(std::vector<std::uint8_t>& out) const;
  // Writes data() to `p`, which has room for paddedSize() bytes; returns the end.
  std::uint8_t* writeTo(std::uint8_t* p) const;
  std::size_t paddedSize() const { return size_ / 4 * 4 + 4; }

  const std::string& description() const { return address(); }

  friend bool operator==(const OSCAddress& a, const OSCAddress& b) { return a.text() == b.text(); }

 private:
  // Where the text at the start of received bytes ends (at its 0 byte, or at `size` when there is
  // none) and whether that text passes isValid(); one pass over the bytes.
  struct Scan {
    std::size_t length;
    bool valid;
  };
  static Scan scan(const std::uint8_t* bytes, std::size_t size);

  // The text is valid and has no trailing "/".
  explicit OSCAddress(std::string_view validated);
  friend class OSCMessage;

  std::uint32_t size_ = 0;
  char inline_[inlineCapacity];
  // A longer text lives here from the start; a shorter one once address() has been asked for.
  mutable std::atomic<std::string*> string_{nullptr};
};

template <std::integral T>
std::optional<T> OSCAddress::part(std::ptrdiff_t index) const {
  const auto text = part(index);
  if (!text) return std::nullopt;
  if constexpr (std::is_signed_v<T>) {
    const auto v = platform::parseInt64(*text);
    if (!v || !std::in_range<T>(*v)) return std::nullopt;
    return static_cast<T>(*v);
  } else {
    const auto v = platform::parseUInt64(*text);
    if (!v || !std::in_range<T>(*v)) return std::nullopt;
    return static_cast<T>(*v);
  }
}

}  // namespace osc
