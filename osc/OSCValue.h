#pragma once
// One OSC argument: a closed set of kinds (32- and 64-bit integers, 32-bit float, the native
// integer, UTF-8 text, blob, time tag, Boolean) with their byte form. Values are plain, owned
// and compared by kind and value; any thread. Readers ask for a kind with the as...() accessors,
// which give nothing for another kind and never throw.
//
// Device enumerations travel as their raw value: text-coded ones as `string`, integer-coded ones
// as `nativeInt`. A receiver that finds no case for a raw value throws
// OSCValueError::encodingError().

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "osc/OSCError.h"
#include "osc/OSCTypeTag.h"
#include "osc/WireFormat.h"

namespace osc {

enum class OSCValueErrorCase { sizeError, encodingError };

class OSCValueError : public OSCCaseError<OSCValueErrorCase> {
 public:
  // The bytes are too few for the value.
  static OSCValueError sizeError();
  // The bytes are there but are not a valid value: no string terminator, non-zero padding,
  // text that is not UTF-8, or a raw value that names no case of a device enumeration.
  static OSCValueError encodingError();

 private:
  using OSCCaseError::OSCCaseError;
};

// The platform's native signed integer: written with tag "i" as its low 32 bits.
struct OSCNativeInt {
  std::int64_t value = 0;
  friend bool operator==(const OSCNativeInt&, const OSCNativeInt&) = default;
};

class OSCValue {
 public:
  using Kind = OSCValueKind;
  using Blob = std::vector<std::uint8_t>;

  // Exact types only, so that no integer silently picks another kind.
  template <typename T>
    requires std::same_as<T, std::int32_t> || std::same_as<T, bool> || std::same_as<T, float> ||
             std::same_as<T, std::string> || std::same_as<T, OSCNativeInt>
  OSCValue(T value) : value_(std::in_place_type<T>, std::move(value)) {}
  OSCValue(const char* text) : value_(std::string(text)) {}

  static OSCValue int32(std::int32_t v) { return Storage(std::in_place_index<0>, v); }
  static OSCValue int64(std::int64_t v) { return Storage(std::in_place_index<1>, v); }
  static OSCValue float_(float v) { return Storage(std::in_place_index<2>, v); }
  static OSCValue nativeInt(std::int64_t v) { return Storage(std::in_place_index<3>, OSCNativeInt{v}); }
  static OSCValue string(std::string v) { return Storage(std::in_place_index<4>, std::move(v)); }
  static OSCValue blob(Blob v) { return Storage(std::in_place_index<5>, std::move(v)); }
  static OSCValue timetag(std::uint64_t v) { return Storage(std::in_place_index<6>, v); }
  static OSCValue boolean(bool v) { return Storage(std::in_place_index<7>, v); }

  Kind kind() const { return static_cast<Kind>(value_.index()); }

  std::optional<std::int32_t> asInt32() const { return get<0>(); }
  std::optional<std::int64_t> asInt64() const { return get<1>(); }
  std::optional<float> asFloat() const { return get<2>(); }
  std::optional<std::int64_t> asNativeInt() const;
  std::optional<std::string_view> asString() const;
  std::optional<std::span<const std::uint8_t>> asBlob() const;
  std::optional<std::uint64_t> asTimetag() const { return get<6>(); }
  std::optional<bool> asBool() const { return get<7>(); }
  // Any of the three signed integer kinds, widened.
  std::optional<std::int64_t> asInteger() const;

  // "T" or "F" for a Boolean; "i" for both 32-bit and native integers.
  OSCTypeTag typeTag() const {
    static constexpr OSCTypeTag tags[] = {OSCTypeTag::int32,  OSCTypeTag::int64, OSCTypeTag::float_,
                                          OSCTypeTag::int32,  OSCTypeTag::string, OSCTypeTag::blob,
                                          OSCTypeTag::timetag, OSCTypeTag::falseTag};
    if (const bool* b = std::get_if<bool>(&value_); b && *b) return OSCTypeTag::trueTag;
    return tags[value_.index()];
  }
  // The bytes the value occupies on the wire, padding included.
  std::size_t paddedSize() const {
    static constexpr std::uint8_t fixedSizes[] = {4, 8, 4, 4, 0, 0, 8, 0};
    if (const auto* text = std::get_if<std::string>(&value_)) return paddedToFour(text->size() + 1);
    if (const auto* blob = std::get_if<Blob>(&value_)) return 4 + paddedToFour(blob->size());
    return fixedSizes[value_.index()];
  }
  // The value's argument bytes. A text that is not UTF-8 or holds a NUL throws encodingError;
  // a blob of 2^31 bytes or more throws sizeError.
  std::vector<std::uint8_t> data() const;
  // As data(), appended to `out`.
  void encode(std::vector<std::uint8_t>& out) const;
  // Writes data() (padding included) to `p`, which has room for paddedSize() bytes; returns the
  // end. Throws as data().
  std::uint8_t* writeTo(std::uint8_t* p) const;

  // Builds a value of the kind from the bytes at the value's position up to the end of the
  // message; reads what it needs and ignores the rest. A Boolean reads nothing and is false.
  // Throws OSCValueError.
  static OSCValue decode(Kind kind, std::span<const std::uint8_t> bytes);
  static OSCValue decode(OSCTypeTag tag, std::span<const std::uint8_t> bytes) {
    return decode(tag.valueType, bytes);
  }
  // As decode(), appending the value to `values` without a temporary; returns its padded size.
  static std::size_t decodeAppend(Kind kind, std::span<const std::uint8_t> bytes, std::vector<OSCValue>& values);

  // The bytes the value takes in memory, itself included (an estimate of the heap's share).
  std::size_t footprint() const {
    if (const auto* text = std::get_if<std::string>(&value_)) {
      return sizeof(OSCValue) + (text->capacity() > std::string().capacity() ? text->capacity() + 1 : 0);
    }
    if (const auto* blob = std::get_if<Blob>(&value_)) return sizeof(OSCValue) + blob->capacity();
    return sizeof(OSCValue);
  }

  // Text for log lines: numbers in decimal, text quoted, blobs as "N bytes".
  std::string description() const;

  friend bool operator==(const OSCValue&, const OSCValue&) = default;

  // Only the library's decoders can name this key: it lets containers build values in place.
  class Key {
    Key() = default;
    friend class OSCValue;
  };
  template <std::size_t I, typename... Args>
  OSCValue(Key, std::in_place_index_t<I> index, Args&&... args) : value_(index, std::forward<Args>(args)...) {}

 private:
  using Storage = std::variant<std::int32_t, std::int64_t, float, OSCNativeInt, std::string, Blob,
                               std::uint64_t, bool>;
  OSCValue(Storage value) : value_(std::move(value)) {}

  template <std::size_t I>
  std::optional<std::variant_alternative_t<I, Storage>> get() const {
    if (const auto* p = std::get_if<I>(&value_)) return *p;
    return std::nullopt;
  }

  Storage value_;
};

// True when the bytes are well-formed UTF-8 without any 0 byte: the texts that a string
// argument can carry.
bool isWritableText(std::string_view text);

}  // namespace osc
