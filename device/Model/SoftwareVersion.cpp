#include "device/Model/SoftwareVersion.h"

#include "device/Model/Octet.h"

namespace device {

std::optional<SoftwareVersion> SoftwareVersion::fromString(std::string_view text) {
  std::uint8_t parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    const auto dot = text.find('.');
    if ((dot == std::string_view::npos) != (i == 2)) return std::nullopt;  // not exactly three pieces
    const auto part = parseOctet(text.substr(0, dot));
    if (!part) return std::nullopt;
    parts[i] = *part;
    if (dot != std::string_view::npos) text.remove_prefix(dot + 1);
  }
  return SoftwareVersion(parts[0], parts[1], parts[2]);
}

std::optional<SoftwareVersion> SoftwareVersion::fromIntValue(std::uint32_t intValue) {
  if (intValue < 10000 || intValue > 999999) return std::nullopt;
  return SoftwareVersion(static_cast<std::uint8_t>(intValue / 10000),
                         static_cast<std::uint8_t>(intValue % 10000 / 100),
                         static_cast<std::uint8_t>(intValue % 100));
}

std::string SoftwareVersion::description() const {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace device
