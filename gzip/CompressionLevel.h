#pragma once
// A zlib compression level: any 32-bit value is accepted and handed to zlib unchanged (zlib
// itself refuses values outside -1...9). A value type; any thread.

#include <cstdint>

namespace gzip {

struct CompressionLevel {
  std::int32_t rawValue = -1;

  constexpr CompressionLevel() = default;
  constexpr explicit CompressionLevel(std::int32_t rawValue) : rawValue(rawValue) {}

  static constexpr CompressionLevel noCompression() { return CompressionLevel(0); }
  static constexpr CompressionLevel bestSpeed() { return CompressionLevel(1); }
  static constexpr CompressionLevel bestCompression() { return CompressionLevel(9); }
  // zlib's default, which it maps to level 6.
  static constexpr CompressionLevel defaultCompression() { return CompressionLevel(-1); }

  friend constexpr bool operator==(CompressionLevel, CompressionLevel) = default;
};

}  // namespace gzip
