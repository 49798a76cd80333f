#pragma once
// The stereo render type of a user's mix. Shares six raw values with BinauralType but is a
// distinct type.
// A plain value; its raw value is its exchange form (OSC arguments and addresses, XML
// attributes).

#include <optional>
#include <string>
#include <string_view>

#include "device/Model/RawValueTable.h"
#include "device/XML/RawValue.h"

namespace device {

enum class StereoType {
  ortf185,
  ortf185flat,
  ortf200,
  ortf230,
  ortf250,
  ortf300,
  velto1,
  velto2,
  brevan1,
  brevan2
};

inline constexpr TextCase<StereoType> kStereoTypeCases[] = {
    {StereoType::ortf185, "STEREOV3-185"},
    {StereoType::ortf185flat, "STEREOV3-185-flat"},
    {StereoType::ortf200, "STEREOV3-200"},
    {StereoType::ortf230, "STEREOV3-230"},
    {StereoType::ortf250, "STEREOV3-250"},
    {StereoType::ortf300, "STEREOV3-300"},
    {StereoType::velto1, "STEREO"},
    {StereoType::velto2, "STEREOV2"},
    {StereoType::brevan1, "STEREOB1"},
    {StereoType::brevan2, "STEREOB2"},
};

template <>
struct RawValueTraits<StereoType> : RawValueTable<kStereoTypeCases> {};

// The raw value.
inline std::string description(StereoType value) { return RawValueTraits<StereoType>::description(value); }

}  // namespace device
