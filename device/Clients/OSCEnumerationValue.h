#pragma once
// The four device enumerations that travel as OSC arguments: BinauralType and StereoType as
// strings holding their raw text, RenderMode and Hide as 32-bit integers ("i") holding their raw
// number. osc::OSCValue is a closed set of kinds, so these are conversions to and from its string
// and integer kinds rather than kinds of their own; a value's typeTag(), paddedSize() and data()
// are those of the converted OSCValue.
// Pure functions; any thread.

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/Model/BinauralType.h"
#include "device/Model/Hide.h"
#include "device/Model/RenderMode.h"
#include "device/Model/StereoType.h"
#include "osc/OSCValue.h"

namespace device {

template <typename E>
concept OSCEnumeration = std::same_as<E, BinauralType> || std::same_as<E, StereoType> ||
                         std::same_as<E, RenderMode> || std::same_as<E, Hide>;

// The raw value as a string or as a native integer (tag "i").
template <OSCEnumeration E>
osc::OSCValue toOSCValue(E value) {
  if constexpr (TextCoded<E>) {
    return osc::OSCValue::string(rawValue(value));
  } else {
    return osc::OSCValue::nativeInt(rawValue(value));
  }
}

// The case whose raw value the argument holds, exactly (case and length count). Nothing for
// another kind of argument (integers: 32-bit or native only) or a raw value that names no case.
template <OSCEnumeration E>
std::optional<E> asEnumeration(const osc::OSCValue& value) {
  if constexpr (TextCoded<E>) {
    const auto text = value.asString();
    if (!text) return std::nullopt;
    return RawValueTraits<E>::fromRaw(*text);
  } else {
    std::optional<std::int64_t> number = value.asInt32();
    if (!number) number = value.asNativeInt();
    if (!number) return std::nullopt;
    return RawValueTraits<E>::fromRaw(*number);
  }
}

// As asEnumeration, throwing osc::OSCValueError::encodingError() where that gives nothing.
template <OSCEnumeration E>
E fromOSCValue(const osc::OSCValue& value) {
  if (const auto result = asEnumeration<E>(value)) return *result;
  throw osc::OSCValueError::encodingError();
}

// Reads the argument bytes as the enumeration's string or 32-bit integer (the OSC layer's
// errors, such as sizeError() for fewer than 4 bytes, pass on), then as fromOSCValue.
template <OSCEnumeration E>
E decodeOSCValue(std::span<const std::uint8_t> bytes) {
  constexpr auto kind = TextCoded<E> ? osc::OSCValueKind::string : osc::OSCValueKind::int32;
  return fromOSCValue<E>(osc::OSCValue::decode(kind, bytes));
}

}  // namespace device
