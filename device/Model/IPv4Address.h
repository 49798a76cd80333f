#pragma once
// An IPv4 address kept as a plain 32-bit number, first octet in the most significant byte
// (127.0.0.1 is 0x7F000001), with the dotted-quad text that devices send and users type.
// A value type; any thread may use its own copy.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace device {

class IPv4Address {
 public:
  constexpr explicit IPv4Address(std::uint32_t rawValue) : rawValue_(rawValue) {}

  // Dotted-quad text: split at ".", empty pieces dropped, exactly four pieces, each a decimal
  // 0...255 (leading zeros read as decimal, "+" allowed, "-" only for zero). No value otherwise.
  static std::optional<IPv4Address> fromString(std::string_view text);

  static constexpr IPv4Address localhost() { return IPv4Address(0x7F000001u); }
  static constexpr IPv4Address zero() { return IPv4Address(0u); }

  constexpr std::uint32_t rawValue() const { return rawValue_; }
  // Four decimal octets joined by ".", most significant first: "192.168.1.1".
  std::string description() const;

  // Only exactly 127.0.0.1; other addresses of 127.0.0.0/8 are not.
  constexpr bool isLoopback() const { return rawValue_ == localhost().rawValue_; }
  constexpr bool isMulticast() const { return (rawValue_ >> 28) == 0xEu; }
  constexpr bool isLinkLocal() const { return (rawValue_ >> 16) == 0xA9FEu; }
  constexpr bool isInSameSubnet(IPv4Address other, IPv4Address netmask) const {
    return ((rawValue_ ^ other.rawValue_) & netmask.rawValue_) == 0;
  }

  friend constexpr bool operator==(IPv4Address, IPv4Address) = default;

 private:
  std::uint32_t rawValue_;
};

}  // namespace device
