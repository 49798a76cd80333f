#pragma once
// The render mode of a channel or a user's mix.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <cstdint>
#include <optional>
#include <string>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class RenderMode { mono, stereo, threeD, iThreeD };

inline constexpr IntCase<RenderMode> kRenderModeCases[] = {
    {RenderMode::mono, 1, "mono"},
    {RenderMode::stereo, 2, "stereo"},
    {RenderMode::threeD, 3, "3D"},
    {RenderMode::iThreeD, 4, "i3D"},
};

template <>
struct RawValueTraits<RenderMode> : RawValueTable<kRenderModeCases> {};

// "mono", "stereo", "3D" or "i3D".
inline std::string description(RenderMode value) { return RawValueTraits<RenderMode>::description(value); }

}  // namespace device
