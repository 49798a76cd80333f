#pragma once
// The binaural render type of a user's mix.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <optional>
#include <string>
#include <string_view>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class BinauralType { ortf185, ortf185flat, ortf200, ortf230, ortf250, ortf300, velto };

inline constexpr TextCase<BinauralType> kBinauralTypeCases[] = {
    {BinauralType::ortf185, "STEREOV3-185"},
    {BinauralType::ortf185flat, "STEREOV3-185-flat"},
    {BinauralType::ortf200, "STEREOV3-200"},
    {BinauralType::ortf230, "STEREOV3-230"},
    {BinauralType::ortf250, "STEREOV3-250"},
    {BinauralType::ortf300, "STEREOV3-300"},
    {BinauralType::velto, "BINAURAL"},
};

template <>
struct RawValueTraits<BinauralType> : RawValueTable<kBinauralTypeCases> {};

// The raw value.
inline std::string description(BinauralType value) { return RawValueTraits<BinauralType>::description(value); }

}  // namespace device
