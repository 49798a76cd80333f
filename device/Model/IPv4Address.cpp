#include "device/Model/IPv4Address.h"

#include "device/Model/Octet.h"

namespace device {

std::optional<IPv4Address> IPv4Address::fromString(std::string_view text) {
  std::uint32_t raw = 0;
  int count = 0;
  while (!text.empty()) {
    const auto dot = text.find('.');
    const std::string_view piece = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (piece.empty()) continue;
    const auto octet = parseOctet(piece);
    if (!octet || ++count > 4) return std::nullopt;
    raw = (raw << 8) | *octet;
  }
  if (count != 4) return std::nullopt;
  return IPv4Address(raw);
}

std::string IPv4Address::description() const {
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (shift != 24) out += '.';
    out += std::to_string((rawValue_ >> shift) & 0xFFu);
  }
  return out;
}

}  // namespace device
