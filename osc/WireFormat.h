#pragma once
// Byte-level helpers of the OSC wire format: big-endian numbers and four-byte alignment.
// Free functions without state; callers check lengths before reading.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace osc {

// The count rounded up to a multiple of 4.
constexpr std::size_t paddedToFour(std::size_t count) { return (count + 3) & ~std::size_t{3}; }

// Appends zero bytes until the buffer's length is a multiple of 4.
inline void padToFourBytes(std::vector<std::uint8_t>& bytes) {
  bytes.resize(paddedToFour(bytes.size()), 0);
}

namespace wire {

inline std::uint32_t readUInt32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return std::endian::native == std::endian::little ? __builtin_bswap32(v) : v;
}

inline std::uint64_t readUInt64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return std::endian::native == std::endian::little ? __builtin_bswap64(v) : v;
}

inline void writeUInt32(std::uint8_t* p, std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

inline void writeUInt64(std::uint8_t* p, std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

// Writes `count` zero bytes; returns the end.
inline std::uint8_t* writePadding(std::uint8_t* p, std::size_t count) {
  std::memset(p, 0, count);
  return p + count;
}

// Grows the buffer by `count` zero bytes and returns a pointer to the first new byte.
inline std::uint8_t* grow(std::vector<std::uint8_t>& out, std::size_t count) {
  const std::size_t at = out.size();
  out.resize(at + count);
  return out.data() + at;
}

// The bytes of an object that writes itself with writeTo(p) into `size` bytes.
template <typename T>
std::vector<std::uint8_t> encoded(const T& object, std::size_t size) {
  std::vector<std::uint8_t> out(size);
  object.writeTo(out.data());
  return out;
}

// The same bytes appended to `out`.
template <typename T>
void appendEncoded(std::vector<std::uint8_t>& out, const T& object, std::size_t size) {
  object.writeTo(grow(out, size));
}

}  // namespace wire
}  // namespace osc
