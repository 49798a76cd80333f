#pragma once
// liblo as the simulator's codec, and zlib for compressed datagrams and preset payloads.
// Stateless functions; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "simulator/SimMessage.h"

namespace testsupport {

class LoCodec {
 public:
  // Bundles inside bundles deeper than this are rejected whole.
  static constexpr int maxBundleDepth = 8;

  struct Decoded {
    SimMessage message;
    bool inBundle = false;
  };

  // The datagram of one message. Throws std::runtime_error when liblo refuses it.
  static std::vector<std::uint8_t> encode(const SimMessage& message);
  // The message of a datagram, or the messages of a bundle in element order (depth first); none
  // when liblo (or the bundle framing) rejects any part of it.
  static std::optional<std::vector<Decoded>> decode(std::span<const std::uint8_t> datagram);

  // zlib format (RFC 1950), default level.
  static std::vector<std::uint8_t> compress(std::span<const std::uint8_t> data);
  // Inflates zlib data; none when it is not valid zlib data or inflates to more than `limit` bytes.
  static std::optional<std::vector<std::uint8_t>> inflate(std::span<const std::uint8_t> data, std::size_t limit);
  // A zlib header: 0x78 followed by one of the four level bytes, with or without dictionary.
  static bool isZlib(std::span<const std::uint8_t> data);
};

}  // namespace testsupport
