#pragma once
// Whether a block of bytes starts with a zlib stream header (RFC 1950): the test made on each
// received datagram and on joined preset data before inflating it. Pure function; any thread.

#include <cstdint>
#include <span>

namespace gzip {

// True when the buffer has at least two bytes, byte 0 is 0x78 (deflate, 32 KiB window) and byte 1
// is a flag byte that makes the header a multiple of 31 for one of the four compression levels,
// with or without a preset dictionary. Nothing beyond the two bytes is looked at.
bool isZlibCompressed(std::span<const std::uint8_t> data) noexcept;

}  // namespace gzip
