#pragma once
// The simulator's own view of an OSC message: an address and typed arguments, independent of the
// osc/ library so that tests of our codec meet a peer that shares no code with it. Encoding and
// decoding go through liblo (LoCodec.h). Plain values; any thread may use its own copy.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct SimValue {
  // The OSC type tag: 'i', 'h', 'f', 'd', 's', 'b', 'T', 'F', 'N', 't' (others are kept as their tag).
  char tag = 'N';
  std::int64_t integer = 0;  // 'i', 'h', 't'
  double real = 0;           // 'f', 'd'
  std::string text;          // 's'
  std::vector<std::uint8_t> bytes;  // 'b'

  static SimValue int32(std::int32_t value) { return {'i', value, 0, {}, {}}; }
  static SimValue float32(float value) { return {'f', 0, value, {}, {}}; }
  static SimValue string(std::string value) { return {'s', 0, 0, std::move(value), {}}; }
  static SimValue blob(std::vector<std::uint8_t> value) { return {'b', 0, 0, {}, std::move(value)}; }
  static SimValue boolean(bool value) { return {value ? 'T' : 'F', 0, 0, {}, {}}; }

  // Printed form for logs: 42, 0.5, "text", blob(12), T, F, N.
  std::string description() const;
};

struct SimMessage {
  std::string address;
  std::vector<SimValue> values;

  std::string types() const;
  // The k-th argument when it has that type; none otherwise.
  std::optional<std::int32_t> int32(std::size_t k) const;
  std::optional<std::string> string(std::size_t k) const;
  std::optional<bool> boolean(std::size_t k) const;
  const std::vector<std::uint8_t>* blob(std::size_t k) const;
  // Address, tags and values, for logs.
  std::string description() const;
};

}  // namespace testsupport
