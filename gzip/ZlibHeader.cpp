#include "gzip/ZlibHeader.h"

#include <algorithm>
#include <array>

namespace gzip {

bool isZlibCompressed(std::span<const std::uint8_t> data) noexcept {
  // Levels fastest, fast, default, best; first without, then with a preset dictionary.
  static constexpr std::array<std::uint8_t, 8> flags{0x01, 0x5E, 0x9C, 0xDA, 0x20, 0x7D, 0xBB, 0xF9};
  if (data.size() < 2 || data[0] != 0x78) return false;
  return std::find(flags.begin(), flags.end(), data[1]) != flags.end();
}

}  // namespace gzip
