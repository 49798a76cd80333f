#pragma once
// The access level with which a client connects to a device (also the technician mode of the app settings).
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <cstdint>
#include <optional>
#include <string>

#include "device/XML/RawValue.h"

namespace device {

enum class ConnectionMode { Musician, PPM, Technician, Admin, Remote };

template <>
struct RawValueTraits<ConnectionMode> {
  using Raw = std::int64_t;
  static std::optional<ConnectionMode> fromRaw(std::int64_t raw);
  static std::int64_t toRaw(ConnectionMode value);
};

// The case name as text.
std::string description(ConnectionMode value);

}  // namespace device
