#pragma once
// Whether a mix or a channel is hidden.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <cstdint>
#include <optional>
#include <string>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class Hide { hidden, visible };

inline constexpr IntCase<Hide> kHideCases[] = {
    {Hide::hidden, 20, "hidden"},
    {Hide::visible, 0, "visible"},
};

template <>
struct RawValueTraits<Hide> : RawValueTable<kHideCases> {};

// "hidden" or "visible".
inline std::string description(Hide value) { return RawValueTraits<Hide>::description(value); }

}  // namespace device
