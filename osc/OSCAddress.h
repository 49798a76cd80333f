#pragma once
// A validated OSC address ("/Va/control/presetLoadComplete"): printable ASCII, non-empty parts,
// no wildcard, bracket, brace, comma, space or "#". Plain value; any thread.

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

  const std::string& address() const { return address_; }
  // The texts between the slashes, in order; views into address().
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
  std::size_t paddedSize() const { return address_.size() / 4 * 4 + 4; }

  const std::string& description() const { return address_; }

  friend bool operator==(const OSCAddress&, const OSCAddress&) = default;

 private:
  explicit OSCAddress(std::string address) : address_(std::move(address)) {}
  // For the decoder: the text is valid and has no trailing "/".
  explicit OSCAddress(std::string_view validated) : address_(validated) {}
  friend class OSCMessage;

  std::string address_;
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
