#pragma once
// The datagram decoder of every device client's OSC server: devices may send any datagram
// zlib-compressed, so one that starts with a zlib header is inflated first and then read by the
// standard decoder. Inflation is bounded: a datagram that would inflate beyond inflateLimit is
// rejected with gzip::GzipError (kind memory) instead of growing without end. Stateless; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "osc/DatagramObject.h"

namespace device {

struct VeltoOSCDecoder {
  static constexpr std::size_t inflateLimit = 4 * 1024 * 1024;

  // No data: nothing, without an error. Otherwise the decoded message or bundle; throws the
  // inflater's gzip::GzipError or the standard decoder's errors.
  static std::optional<osc::DatagramObject> decode(std::optional<std::span<const std::uint8_t>> datagram);
};

static_assert(osc::DatagramDecoder<VeltoOSCDecoder>);

}  // namespace device
