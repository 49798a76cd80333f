#pragma once
// A screen of the companion mixing app; the raw value ends its screen-switch address
// ("/Va/screen/" + raw value).
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <optional>
#include <string>
#include <string_view>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class AppScreen { faders1, faders2, stage1, stage2, meters, config, none, channelDetails };

inline constexpr TextCase<AppScreen> kAppScreenCases[] = {
    {AppScreen::faders1, "FADERS1"},
    {AppScreen::faders2, "FADERS2"},
    {AppScreen::stage1, "STAGE1"},
    {AppScreen::stage2, "STAGE2"},
    {AppScreen::meters, "METERS"},
    {AppScreen::config, "CONFIG"},
    {AppScreen::none, "NONE"},
    {AppScreen::channelDetails, "CHANNELDETAILS"},
};

template <>
struct RawValueTraits<AppScreen> : RawValueTable<kAppScreenCases> {};

// The raw value.
inline std::string description(AppScreen value) { return RawValueTraits<AppScreen>::description(value); }

}  // namespace device
