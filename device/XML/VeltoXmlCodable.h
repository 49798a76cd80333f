#pragma once
// Marks for the model types that live in XML documents. The system calls each type's own coding
// operations directly (each type's header names them: a constructor from an element, decode,
// encode into an existing element); the marks let code and tests state which types take part.
//
// A type opts in next to its definition:
//   template <> inline constexpr bool enableVeltoXmlCodable<User> = true;
//   template <> inline constexpr bool enableVeltoXmlArrayCodable<User> = true;
// Elements are passed as `const ZRXMLElementPtr&`.

#include <concepts>

#include "device/XML/ZRXMLElement.h"

namespace device {

template <typename T>
inline constexpr bool enableVeltoXmlCodable = false;

template <typename T>
inline constexpr bool enableVeltoXmlArrayCodable = false;

// Reads itself from and writes itself to a ZRXMLElement tree.
template <typename T>
concept VeltoXmlCodable = enableVeltoXmlCodable<T>;

// Occurs as repeated child elements of one name: lists are read by merging (decode into the
// object with the same key) and written by reusing each object's old element (encode into it).
template <typename T>
concept VeltoXmlArrayCodable =
    VeltoXmlCodable<T> && enableVeltoXmlArrayCodable<T> &&
    requires(T& object, const ZRXMLElementPtr& xml) {
      object.decode(xml);
      object.encode(xml);
    };

}  // namespace device
