#include "simulator/LoCodec.h"

#include <lo/lo.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace testsupport {

namespace {

using LoMessage = std::unique_ptr<std::remove_pointer_t<lo_message>, decltype(&lo_message_free)>;

void add(lo_message message, const SimValue& value) {
  switch (value.tag) {
    case 'i': lo_message_add_int32(message, static_cast<std::int32_t>(value.integer)); break;
    case 'h': lo_message_add_int64(message, value.integer); break;
    case 'f': lo_message_add_float(message, static_cast<float>(value.real)); break;
    case 'd': lo_message_add_double(message, value.real); break;
    case 's': lo_message_add_string(message, value.text.c_str()); break;
    case 'b': {
      lo_blob blob = lo_blob_new(static_cast<std::int32_t>(value.bytes.size()), value.bytes.data());
      if (!blob) throw std::runtime_error("liblo cannot make a blob of " + std::to_string(value.bytes.size()) + " bytes");
      lo_message_add_blob(message, blob);
      lo_blob_free(blob);
      break;
    }
    case 'T': lo_message_add_true(message); break;
    case 'F': lo_message_add_false(message); break;
    case 't': {
      const auto tag = static_cast<std::uint64_t>(value.integer);
      lo_message_add_timetag(message, {static_cast<std::uint32_t>(tag >> 32), static_cast<std::uint32_t>(tag)});
      break;
    }
    default: lo_message_add_nil(message); break;
  }
}

// liblo's argument pointers are only 4-byte aligned: read them by copying.
template <class T>
T read(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

SimValue valueOf(char tag, const void* arg) {
  SimValue value;
  value.tag = tag;
  switch (tag) {
    case 'i': value.integer = read<std::int32_t>(arg); break;
    case 'h': value.integer = read<std::int64_t>(arg); break;
    case 'f': value.real = read<float>(arg); break;
    case 'd': value.real = read<double>(arg); break;
    case 's':
    case 'S': value.tag = 's'; value.text = static_cast<const char*>(arg); break;
    case 'c': value.integer = read<std::int32_t>(arg); break;
    case 't': {
      const auto tag64 = read<lo_timetag>(arg);
      value.integer = static_cast<std::int64_t>((std::uint64_t{tag64.sec} << 32) | tag64.frac);
      break;
    }
    case 'b': {
      const auto size = read<std::int32_t>(arg);
      const auto* data = static_cast<const std::uint8_t*>(arg) + sizeof(std::int32_t);
      value.bytes.assign(data, data + std::max<std::int32_t>(size, 0));
      break;
    }
    default: break;
  }
  return value;
}

std::optional<SimMessage> decodeMessage(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
  int result = 0;
  LoMessage message(lo_message_deserialise(copy.data(), copy.size(), &result), &lo_message_free);
  if (!message) return std::nullopt;
  const char* path = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
  if (!path) return std::nullopt;
  SimMessage out{path, {}};
  const char* types = lo_message_get_types(message.get());
  lo_arg** argv = lo_message_get_argv(message.get());
  const int argc = lo_message_get_argc(message.get());
  for (int k = 0; k < argc; ++k) out.values.push_back(valueOf(types[k], argv[k]));
  return out;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

bool decodeInto(std::span<const std::uint8_t> data, int depth, std::vector<LoCodec::Decoded>& out) {
  static constexpr char bundleHead[8] = {'#', 'b', 'u', 'n', 'd', 'l', 'e', '\0'};
  if (data.size() >= 8 && std::memcmp(data.data(), bundleHead, 8) == 0) {
    if (depth >= LoCodec::maxBundleDepth || data.size() < 16) return false;
    std::size_t at = 16;
    while (at < data.size()) {
      if (data.size() - at < 4) return false;
      const std::uint32_t size = bigEndian32(data.data() + at);
      at += 4;
      if (size > data.size() - at || size % 4 != 0) return false;
      if (!decodeInto(data.subspan(at, size), depth + 1, out)) return false;
      at += size;
    }
    return true;
  }
  auto message = decodeMessage(data);
  if (!message) return false;
  out.push_back({std::move(*message), depth > 0});
  return true;
}

}  // namespace

std::vector<std::uint8_t> LoCodec::encode(const SimMessage& message) {
  LoMessage lo(lo_message_new(), &lo_message_free);
  for (const auto& value : message.values) add(lo.get(), value);
  std::size_t size = 0;
  void* data = lo_message_serialise(lo.get(), message.address.c_str(), nullptr, &size);
  if (!data) throw std::runtime_error("liblo cannot serialise " + message.address);
  std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  std::free(data);
  return bytes;
}

std::optional<std::vector<LoCodec::Decoded>> LoCodec::decode(std::span<const std::uint8_t> datagram) {
  std::vector<Decoded> out;
  if (!decodeInto(datagram, 0, out)) return std::nullopt;
  return out;
}

std::vector<std::uint8_t> LoCodec::compress(std::span<const std::uint8_t> data) {
  uLongf size = compressBound(data.size());
  std::vector<std::uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), data.size(), Z_DEFAULT_COMPRESSION) != Z_OK) {
    throw std::runtime_error("zlib could not compress");
  }
  out.resize(size);
  return out;
}

std::optional<std::vector<std::uint8_t>> LoCodec::inflate(std::span<const std::uint8_t> data, std::size_t limit) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  std::vector<std::uint8_t> out;
  std::uint8_t chunk[16384];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    status = ::inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
    if (out.size() > limit) status = Z_MEM_ERROR;
    else if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) status = Z_DATA_ERROR;
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  return out;
}

bool LoCodec::isZlib(std::span<const std::uint8_t> data) {
  if (data.size() < 2 || data[0] != 0x78) return false;
  switch (data[1]) {
    case 0x01: case 0x5E: case 0x9C: case 0xDA: case 0x20: case 0x7D: case 0xBB: case 0xF9: return true;
    default: return false;
  }
}

}  // namespace testsupport
