#pragma once
// The standard datagram decoder: a datagram that starts with "/" is a message, one that starts
// with "#" a bundle. Stateless; any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "osc/OSCError.h"
#include "osc/OSCObject.h"

namespace osc {

class OSCDecoderError : public OSCError {
 public:
  enum class Case { emptyDataProvided, dataIsNotOSC };

  static OSCDecoderError emptyDataProvided();
  static OSCDecoderError dataIsNotOSC();

  Case kind() const { return kind_; }
  friend bool operator==(const OSCDecoderError& a, const OSCDecoderError& b) { return a.kind_ == b.kind_; }

 private:
  OSCDecoderError(Case kind, std::string description) : OSCError(std::move(description)), kind_(kind) {}
  Case kind_;
};

struct OSCStandardDecoder {
  // Never gives nothing: throws OSCDecoderError for an absent, empty or non-OSC datagram, and
  // passes on the errors of OSCMessage::decode and OSCBundle::decode.
  static OSCObject decode(std::optional<std::span<const std::uint8_t>> datagram);
};

static_assert(DatagramDecoder<OSCStandardDecoder>);

}  // namespace osc
