#pragma once
// Test helpers for the codec: bytes from hex text ("2F 61 00 00") or characters, the text of the
// library error an operation throws, and sample messages and bundles of every kind of value.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "osc/OSCBundle.h"
#include "osc/OSCError.h"

namespace osc::test {

inline std::vector<std::uint8_t> hex(std::string_view text) {
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k + 1 < text.size(); k += text[k] == ' ' ? 1 : 2) {
    if (text[k] != ' ') out.push_back(static_cast<std::uint8_t>(std::stoul(std::string(text.substr(k, 2)), nullptr, 16)));
  }
  return out;
}

inline std::vector<std::uint8_t> chars(std::string_view text) { return {text.begin(), text.end()}; }

inline std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The description of the library error that `operation` throws, or "no error".
template <typename Operation>
std::string errorText(Operation&& operation) {
  try {
    operation();
  } catch (const OSCError& e) {
    return e.description();
  }
  return "no error";
}

// One message per kind (edge values, a 1000-byte blob) and, last, one of mixed kinds.
inline std::vector<OSCMessage> sampleMessages() {
  std::vector<std::uint8_t> kilobyte(1000);
  for (std::size_t k = 0; k < kilobyte.size(); ++k) kilobyte[k] = static_cast<std::uint8_t>(k * 7);
  return {
      *OSCMessage::make("/VELTOpelion/control/ping"),
      *OSCMessage::make("/i", {OSCValue::int32(-1), OSCValue::int32(2147483647), OSCValue::int32(-2147483647 - 1)}),
      *OSCMessage::make("/h", {OSCValue::int64(-5), OSCValue::int64(1LL << 62)}),
      *OSCMessage::make("/f", {OSCValue::float_(1.0f), OSCValue::float_(-0.25f), OSCValue::float_(3.4e38f)}),
      *OSCMessage::make("/s", {OSCValue::string(""), OSCValue::string("abc"), OSCValue::string("abcd"),
                               OSCValue::string("caf\xC3\xA9")}),
      *OSCMessage::make("/b", {OSCValue::blob({1, 2, 3, 4, 5}), OSCValue::blob(kilobyte)}),
      *OSCMessage::make("/t", {OSCValue::timetag(1), OSCValue::timetag(0xDEADBEEF00000001ULL)}),
      *OSCMessage::make("/TF", {OSCValue::boolean(true), OSCValue::boolean(false)}),
      *OSCMessage::make("/Va/mixed/1", {OSCValue::string("x"), OSCValue::boolean(true), OSCValue::int32(3),
                                        OSCValue::blob({7}), OSCValue::float_(0.5f), OSCValue::int64(9),
                                        OSCValue::timetag(2), OSCValue::boolean(false)}),
  };
}

// A bundle (time 1) of the mixed message and a bundle (time 5) of the "/h" and "/TF" messages.
inline OSCBundle nestedSample(const std::vector<OSCMessage>& messages) {
  OSCBundle inner(5), outer(1);
  inner.add(messages[2]);
  inner.add(messages[7]);
  outer.add(messages[8]);
  outer.add(inner);
  return outer;
}

}  // namespace osc::test
