#include "osc/OSCValue.h"

#include <bit>
#include <cstring>
#include <limits>

#include "osc/WireFormat.h"
#include "platform/NumberText.h"
#include "platform/Utf8.h"

namespace osc {

OSCValueError OSCValueError::sizeError() { return {Case::sizeError, "An OSC value is cut short."}; }
OSCValueError OSCValueError::encodingError() {
  return {Case::encodingError, "An OSC value is not valid."};
}

namespace {

constexpr std::size_t maximumBlobSize = std::numeric_limits<std::int32_t>::max();

constexpr std::uint64_t ones = 0x0101010101010101ULL;
constexpr std::uint64_t highs = 0x8080808080808080ULL;

// True when none of the eight bytes is 0 or above 0x7F.
constexpr bool plainAsciiWord(std::uint64_t word) { return ((word | ((word - ones) & ~word)) & highs) == 0; }

// Strict UTF-8 from position i on: no overlong forms, no surrogates, nothing above U+10FFFF,
// and no 0 byte.
bool validUtf8WithoutNulFrom(const std::uint8_t* p, std::size_t n, std::size_t i) {
  const std::string_view bytes(reinterpret_cast<const char*>(p), n);
  while (i < n) {
    if (p[i] == 0) return false;
    const std::size_t length = platform::utf8SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// Plain ASCII text is checked eight bytes at a time (the last word overlapping the one before);
// anything else byte by byte.
bool validUtf8WithoutNul(const std::uint8_t* p, std::size_t n) {
  if (n < 8) {
    for (std::size_t i = 0; i < n; ++i) {
      if (p[i] == 0 || p[i] > 0x7F) return validUtf8WithoutNulFrom(p, n, i);
    }
    return true;
  }
  std::uint64_t word;
  for (std::size_t i = 0; i + 8 <= n; i += 8) {
    std::memcpy(&word, p + i, 8);
    if (!plainAsciiWord(word)) return validUtf8WithoutNulFrom(p, n, i);
  }
  std::memcpy(&word, p + n - 8, 8);
  return plainAsciiWord(word) || validUtf8WithoutNulFrom(p, n, n - 8);
}

// A validated string argument: the text and the padded size.
std::pair<std::string_view, std::size_t> readString(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) throw OSCValueError::encodingError();
  const auto* p = bytes.data();
  const auto* nul = static_cast<const std::uint8_t*>(std::memchr(p, 0, bytes.size()));
  if (nul == nullptr) throw OSCValueError::encodingError();
  const std::size_t length = static_cast<std::size_t>(nul - p);
  const std::size_t end = paddedToFour(length + 1);
  if (bytes.size() < end) throw OSCValueError::sizeError();
  for (std::size_t k = length + 1; k < end; ++k) {
    if (p[k] != 0) throw OSCValueError::encodingError();
  }
  if (!validUtf8WithoutNul(p, length)) throw OSCValueError::encodingError();
  return {std::string_view(reinterpret_cast<const char*>(p), length), end};
}

// A validated blob argument: its bytes and the padded size.
std::pair<std::span<const std::uint8_t>, std::size_t> readBlob(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) throw OSCValueError::sizeError();
  const std::uint64_t size = wire::readUInt32(bytes.data());
  const std::uint64_t end = 4 + size;
  if (bytes.size() < end) throw OSCValueError::sizeError();
  const std::uint64_t paddedEnd = paddedToFour(end);
  if (bytes.size() < paddedEnd) throw OSCValueError::sizeError();
  for (std::uint64_t k = end; k < paddedEnd; ++k) {
    if (bytes[k] != 0) throw OSCValueError::encodingError();
  }
  return {bytes.subspan(4, size), paddedEnd};
}

std::uint32_t readWord(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) throw OSCValueError::sizeError();
  return wire::readUInt32(bytes.data());
}

std::uint64_t readDoubleWord(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8) throw OSCValueError::sizeError();
  return wire::readUInt64(bytes.data());
}

// Reads one value of the kind and hands it to `make` as an in-place index and constructor
// arguments; returns the padded size.
template <typename Make>
std::size_t decodeWith(OSCValueKind kind, std::span<const std::uint8_t> bytes, Make&& make) {
  using K = OSCValueKind;
  switch (kind) {
    case K::int32: make(std::in_place_index<0>, static_cast<std::int32_t>(readWord(bytes))); return 4;
    case K::int64: make(std::in_place_index<1>, static_cast<std::int64_t>(readDoubleWord(bytes))); return 8;
    case K::float_: make(std::in_place_index<2>, std::bit_cast<float>(readWord(bytes))); return 4;
    case K::nativeInt:
      make(std::in_place_index<3>, OSCNativeInt{static_cast<std::int32_t>(readWord(bytes))});
      return 4;
    case K::string: {
      const auto [text, size] = readString(bytes);
      make(std::in_place_index<4>, text.data(), text.size());
      return size;
    }
    case K::blob: {
      const auto [blob, size] = readBlob(bytes);
      make(std::in_place_index<5>, blob.begin(), blob.end());
      return size;
    }
    case K::timetag: make(std::in_place_index<6>, readDoubleWord(bytes)); return 8;
    case K::boolean: make(std::in_place_index<7>, false); return 0;
  }
  throw OSCValueError::encodingError();  // not reached: the switch covers every kind
}

// Text in the form the platform's debug description uses: quoted, with escapes.
std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  out += '"';
  return out;
}

}  // namespace

bool isWritableText(std::string_view text) {
  return validUtf8WithoutNul(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::optional<std::int64_t> OSCValue::asNativeInt() const {
  if (const auto* p = std::get_if<OSCNativeInt>(&value_)) return p->value;
  return std::nullopt;
}

std::optional<std::string_view> OSCValue::asString() const {
  if (const auto* p = std::get_if<std::string>(&value_)) return std::string_view(*p);
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> OSCValue::asBlob() const {
  if (const auto* p = std::get_if<Blob>(&value_)) return std::span<const std::uint8_t>(*p);
  return std::nullopt;
}

std::optional<std::int64_t> OSCValue::asInteger() const {
  switch (kind()) {
    case Kind::int32: return *asInt32();
    case Kind::int64: return *asInt64();
    case Kind::nativeInt: return *asNativeInt();
    default: return std::nullopt;
  }
}

std::uint8_t* OSCValue::writeTo(std::uint8_t* p) const {
  switch (kind()) {
    case Kind::int32: wire::writeUInt32(p, static_cast<std::uint32_t>(std::get<0>(value_))); return p + 4;
    // Only the low 32 bits of a native integer travel.
    case Kind::nativeInt: wire::writeUInt32(p, static_cast<std::uint32_t>(std::get<3>(value_).value)); return p + 4;
    case Kind::float_: wire::writeUInt32(p, std::bit_cast<std::uint32_t>(std::get<2>(value_))); return p + 4;
    case Kind::int64: wire::writeUInt64(p, static_cast<std::uint64_t>(std::get<1>(value_))); return p + 8;
    case Kind::timetag: wire::writeUInt64(p, std::get<6>(value_)); return p + 8;
    case Kind::string: {
      const auto& text = std::get<4>(value_);
      if (!isWritableText(text)) throw OSCValueError::encodingError();
      std::memcpy(p, text.data(), text.size());
      return wire::writePadding(p + text.size(), paddedToFour(text.size() + 1) - text.size());
    }
    case Kind::blob: {
      const auto& blob = std::get<5>(value_);
      if (blob.size() > maximumBlobSize) throw OSCValueError::sizeError();
      wire::writeUInt32(p, static_cast<std::uint32_t>(blob.size()));
      if (!blob.empty()) std::memcpy(p + 4, blob.data(), blob.size());
      return wire::writePadding(p + 4 + blob.size(), paddedToFour(blob.size()) - blob.size());
    }
    case Kind::boolean: return p;
  }
  return p;
}

void OSCValue::encode(std::vector<std::uint8_t>& out) const { wire::appendEncoded(out, *this, paddedSize()); }

std::vector<std::uint8_t> OSCValue::data() const { return wire::encoded(*this, paddedSize()); }

OSCValue OSCValue::decode(Kind kind, std::span<const std::uint8_t> bytes) {
  std::optional<OSCValue> value;
  decodeWith(kind, bytes, [&](auto index, auto&&... args) { value.emplace(Key{}, index, std::forward<decltype(args)>(args)...); });
  return std::move(*value);
}

std::size_t OSCValue::decodeAppend(Kind kind, std::span<const std::uint8_t> bytes, std::vector<OSCValue>& values) {
  return decodeWith(kind, bytes, [&](auto index, auto&&... args) {
    values.emplace_back(Key{}, index, std::forward<decltype(args)>(args)...);
  });
}

std::string OSCValue::description() const {
  switch (kind()) {
    case Kind::int32: return std::to_string(*asInt32());
    case Kind::int64: return std::to_string(*asInt64());
    case Kind::nativeInt: return std::to_string(*asNativeInt());
    case Kind::float_: return platform::formatShortest(*asFloat());
    case Kind::string: return quoted(*asString());
    case Kind::blob: return std::to_string(std::get<Blob>(value_).size()) + " bytes";
    case Kind::timetag: return std::to_string(*asTimetag());
    case Kind::boolean: return *asBool() ? "true" : "false";
  }
  return {};
}

}  // namespace osc
