#include "gzip/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <string>

namespace gzip {

namespace {

constexpr std::size_t deflateStep = 16384;
constexpr std::int32_t memoryLevel = 9;
// Growth of the inflation buffer: half the input size, but never steps so small that a highly
// compressed input needs thousands of them.
constexpr std::size_t minimumInflateStep = 1024;

void checkSize(std::size_t size) {
  if (size > std::numeric_limits<uInt>::max()) {
    throw GzipError(Z_BUF_ERROR, "buffer of 4 GiB or more");
  }
}

}  // namespace

bool isGzipped(std::span<const std::uint8_t> data) noexcept {
  return data.size() >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

Bytes gzipped(std::span<const std::uint8_t> data, CompressionLevel level, std::int32_t wBits) {
  if (data.empty()) return {};
  checkSize(data.size());
  z_stream stream{};
  int result = deflateInit2(&stream, level.rawValue, Z_DEFLATED, wBits, memoryLevel, Z_DEFAULT_STRATEGY);
  if (result != Z_OK) throw GzipError(result, stream.msg);

  Bytes out;
  out.reserve(deflateStep);
  do {
    if (stream.total_out >= out.size()) out.resize(out.size() + deflateStep);
    stream.next_in = const_cast<Bytef*>(data.data()) + stream.total_in;
    stream.avail_in = static_cast<uInt>(data.size() - stream.total_in);
    stream.next_out = out.data() + stream.total_out;
    stream.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - stream.total_out,
                                                               std::numeric_limits<uInt>::max()));
    result = deflate(&stream, Z_FINISH);
    stream.next_in = nullptr;
    stream.next_out = nullptr;
  } while (stream.avail_out == 0 && result != Z_STREAM_END);

  const std::string message = stream.msg != nullptr ? stream.msg : "";
  const std::size_t produced = stream.total_out;
  if (deflateEnd(&stream) != Z_OK || result != Z_STREAM_END) {
    throw GzipError(result, message.empty() ? nullptr : message.c_str());
  }
  out.resize(produced);
  return out;
}

Bytes gunzipped(std::span<const std::uint8_t> data, std::int32_t wBits, std::size_t limit) {
  if (data.empty()) return {};
  checkSize(data.size());
  const std::size_t step = std::max(data.size() / 2, minimumInflateStep);
  // Never more than one byte past the limit: that byte tells that the limit was exceeded.
  const std::size_t ceiling = limit == std::numeric_limits<std::size_t>::max() ? limit : limit + 1;
  Bytes out;
  out.reserve(std::min(data.size() * 2, ceiling));
  std::size_t consumed = 0;
  std::size_t produced = 0;
  while (consumed < data.size()) {
    z_stream stream{};
    int result = inflateInit2(&stream, wBits);
    if (result != Z_OK) throw GzipError(result, stream.msg);
    do {
      if (produced + stream.total_out >= out.size()) {
        out.resize(std::min(out.size() + step, ceiling));
      }
      const std::size_t written = produced + stream.total_out;
      stream.next_in = const_cast<Bytef*>(data.data()) + consumed + stream.total_in;
      stream.avail_in = static_cast<uInt>(data.size() - consumed - stream.total_in);
      stream.next_out = out.data() + written;
      stream.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - written,
                                                                 std::numeric_limits<uInt>::max()));
      result = inflate(&stream, Z_SYNC_FLUSH);
      stream.next_in = nullptr;
      stream.next_out = nullptr;
    } while (result == Z_OK && produced + stream.total_out < ceiling);

    const bool tooLarge = produced + stream.total_out > limit;
    const std::string message = stream.msg != nullptr ? stream.msg : "";
    consumed += stream.total_in;
    produced += stream.total_out;
    if (inflateEnd(&stream) != Z_OK || (result != Z_STREAM_END && !tooLarge)) {
      throw GzipError(result, message.empty() ? nullptr : message.c_str());
    }
    if (tooLarge) {
      const std::string text = "inflated data exceeds the limit of " + std::to_string(limit) + " bytes";
      throw GzipError(Z_MEM_ERROR, text.c_str());
    }
  }
  out.resize(produced);
  return out;
}

}  // namespace gzip
