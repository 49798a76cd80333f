#pragma once
// The access level with which a client connects to a device (also the technician mode of the app settings).
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <cstdint>
#include <optional>
#include <string>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class ConnectionMode { Musician, PPM, Technician, Admin, Remote };

inline constexpr IntCase<ConnectionMode> kConnectionModeCases[] = {
    {ConnectionMode::Musician, 10, "Musician"},
    {ConnectionMode::PPM, 20, "PPM"},
    {ConnectionMode::Technician, 30, "Technician"},
    {ConnectionMode::Admin, 40, "Admin"},
    {ConnectionMode::Remote, 90, "Remote"},
};

template <>
struct RawValueTraits<ConnectionMode> : RawValueTable<kConnectionModeCases> {};

// The case name as text.
inline std::string description(ConnectionMode value) { return RawValueTraits<ConnectionMode>::description(value); }

}  // namespace device
