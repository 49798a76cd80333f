#pragma once
// Type tags: the characters that announce the arguments of a message, and the tag string that
// carries them (",", one character per argument, a 0 byte, padding). Plain values; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "osc/OSCError.h"

namespace osc {

// The concrete kinds an OSCValue can hold. `nativeInt` is written with tag "i" (its low 32
// bits); a received "i" always comes back as `int32`.
enum class OSCValueKind : std::uint8_t { int32, int64, float_, nativeInt, string, blob, timetag, boolean };

enum class OSCTypeTagStringErrorCase { unkownTypeTag, malformedData, unkownBeginningCharacter };

class OSCTypeTagStringError : public OSCCaseError<OSCTypeTagStringErrorCase> {
 public:
  static OSCTypeTagStringError unkownTypeTag(char character);
  static OSCTypeTagStringError malformedData();
  static OSCTypeTagStringError unkownBeginningCharacter();

  // The offending character of `unkownTypeTag`; 0 for the other cases.
  char character() const { return character_; }

 private:
  OSCTypeTagStringError(Case kind, char character, std::string description)
      : OSCCaseError(kind, std::move(description)), character_(character) {}
  char character_;
};

struct OSCTypeTag {
  char rawValue;
  OSCValueKind valueType;

  // The tag of a character, or nothing for a character outside "ihfsbtTF" (case-sensitive).
  static constexpr std::optional<OSCTypeTag> fromRaw(char character);

  static const OSCTypeTag int32;
  static const OSCTypeTag int64;
  static const OSCTypeTag float_;
  static const OSCTypeTag string;
  static const OSCTypeTag blob;
  static const OSCTypeTag timetag;
  static const OSCTypeTag trueTag;
  static const OSCTypeTag falseTag;

  friend constexpr bool operator==(const OSCTypeTag&, const OSCTypeTag&) = default;
};

inline constexpr OSCTypeTag OSCTypeTag::int32{'i', OSCValueKind::int32};
inline constexpr OSCTypeTag OSCTypeTag::int64{'h', OSCValueKind::int64};
inline constexpr OSCTypeTag OSCTypeTag::float_{'f', OSCValueKind::float_};
inline constexpr OSCTypeTag OSCTypeTag::string{'s', OSCValueKind::string};
inline constexpr OSCTypeTag OSCTypeTag::blob{'b', OSCValueKind::blob};
inline constexpr OSCTypeTag OSCTypeTag::timetag{'t', OSCValueKind::timetag};
inline constexpr OSCTypeTag OSCTypeTag::trueTag{'T', OSCValueKind::boolean};
inline constexpr OSCTypeTag OSCTypeTag::falseTag{'F', OSCValueKind::boolean};

constexpr std::optional<OSCTypeTag> OSCTypeTag::fromRaw(char character) {
  switch (character) {
    case 'i': return int32;
    case 'h': return int64;
    case 'f': return float_;
    case 's': return string;
    case 'b': return blob;
    case 't': return timetag;
    case 'T': return trueTag;
    case 'F': return falseTag;
    default: return std::nullopt;
  }
}

class OSCValue;

struct OSCTypeTagString {
  std::vector<OSCTypeTag> typeTags;

  // The tags of the values, in order.
  static OSCTypeTagString fromValues(std::span<const OSCValue> values);
  // Parses "," followed by tag characters, up to the end or the first NUL (the rest is ignored).
  // Throws OSCTypeTagStringError.
  static OSCTypeTagString parse(std::string_view text);
  // Bytes that are not all ASCII throw malformedData; otherwise as parse().
  static OSCTypeTagString decode(std::span<const std::uint8_t> bytes);

  // ",", the tag characters, a 0 byte, zero bytes to a multiple of 4.
  std::vector<std::uint8_t> data() const;
  std::size_t paddedSize() const { return (typeTags.size() + 2 + 3) & ~std::size_t{3}; }

  friend bool operator==(const OSCTypeTagString&, const OSCTypeTagString&) = default;
};

}  // namespace osc
