#pragma once
// The messages that send a preset to a device in segments: "/VELTOpelion/control/presetSeg" with
// seven arguments (string file name, blob slice, int32 index, int32 count, empty string, Boolean
// flag, string client uid). Building them is a pure function; sending and pacing belong to the
// device clients. Any thread.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/Model/PresetName.h"
#include "osc/OSCMessage.h"

namespace device {

inline constexpr const char* presetSegAddress = "/VELTOpelion/control/presetSeg";
inline constexpr std::size_t presetSegmentSize = 1000;

// The name a preset travels under: the plain `name` (no backup suffix) plus ".VELTOshow" for a
// preset or ".vup" for a user show.
std::string presetSegmentFileName(const PresetName& name);

// The segment messages for the uncompressed document `bytes`: a preset is zlib-compressed first
// (PresetData::compressed), a user show goes as it is. Slices of 1000 bytes, the last holding the
// rest; an empty payload gives no message. Throws gzip::GzipError from the compression.
std::vector<osc::OSCMessage> presetSegmentMessages(std::span<const std::uint8_t> bytes, const PresetName& name,
                                                   bool flag, const std::string& clientUid);

}  // namespace device
