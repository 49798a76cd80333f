#pragma once
// A three-part version number ("5.7.13") of a device's firmware or of this application, with the
// packed decimal form devices exchange (5.7.13 is 50713). A value type; any thread may use its
// own copy.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/Model/DeepCopyable.h"

namespace device {

struct SoftwareVersion {
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  std::uint8_t patch = 0;

  constexpr SoftwareVersion() = default;  // 0.0.0
  constexpr SoftwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t patch)
      : major(major), minor(minor), patch(patch) {}
  constexpr SoftwareVersion(DeepCopyTag, const SoftwareVersion& source) : SoftwareVersion(source) {}

  // Exactly three "."-separated pieces (empty pieces count), each a decimal 0...255 ("+" allowed,
  // "-" only for zero, leading zeros allowed). No value otherwise.
  static std::optional<SoftwareVersion> fromString(std::string_view text);
  // Inverse of intValue for 10000...999999; no value outside.
  static std::optional<SoftwareVersion> fromIntValue(std::uint32_t intValue);
  // The version this application reports as its own.
  static constexpr SoftwareVersion current() { return {5, 7, 13}; }

  // major × 10000 + minor × 100 + patch.
  constexpr std::uint32_t intValue() const { return major * 10000u + minor * 100u + patch; }
  std::string description() const;
  constexpr SoftwareVersion deepCopy() const { return *this; }

  friend constexpr bool operator==(const SoftwareVersion&, const SoftwareVersion&) = default;
};

}  // namespace device

template <>
struct std::hash<device::SoftwareVersion> {
  std::size_t operator()(const device::SoftwareVersion& v) const noexcept {
    return std::hash<std::uint32_t>{}((std::uint32_t{v.major} << 16) | (std::uint32_t{v.minor} << 8) |
                                      v.patch);
  }
};
