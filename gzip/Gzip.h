#pragma once
// Whole-buffer zlib compression: the gzip magic test, deflation and inflation. Every compression
// in the program goes through here (presets sent to devices, preset files, received segments and
// datagrams). Pure functions with no state of their own; any thread.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gzip/CompressionLevel.h"
#include "gzip/GzipError.h"
#include "gzip/ZlibHeader.h"

namespace gzip {

using Bytes = std::vector<std::uint8_t>;

// zlib's largest window (32 KiB): window bits 15.
inline constexpr std::int32_t maxWindowBits = 15;

// The largest inflated size gunzipped accepts unless told otherwise: inflated bytes come from
// devices and files, and become documents for the XML parser, whose input is bounded the same way.
inline constexpr std::size_t defaultInflateLimit = 16 * 1024 * 1024;

// True when the buffer holds at least two bytes and begins with the gzip magic 0x1F 0x8B.
bool isGzipped(std::span<const std::uint8_t> data) noexcept;

// Deflates the whole buffer with zlib at memory level 9 and the default strategy. `wBits` goes to
// zlib unchanged: 8...15 the zlib wrapper, +16 the gzip wrapper, negative raw deflate. An empty
// input gives an empty result (no header). Throws GzipError; inputs of 4 GiB or more give kind
// `buffer`.
Bytes gzipped(std::span<const std::uint8_t> data,
              CompressionLevel level = CompressionLevel::defaultCompression(),
              std::int32_t wBits = maxWindowBits);

// Inflates the whole buffer; members written one after another are inflated in turn and joined.
// `wBits` goes to zlib unchanged (0: the zlib wrapper only, window size from its header). An empty
// input gives an empty result. Throws GzipError: kind `data` for corrupt data or a wrong wrapper,
// `buffer` for data cut short, `memory` when the result would exceed `limit` bytes. Nothing is
// returned after a failure.
Bytes gunzipped(std::span<const std::uint8_t> data, std::int32_t wBits = 0,
                std::size_t limit = defaultInflateLimit);

}  // namespace gzip
