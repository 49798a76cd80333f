#pragma once
// The standard datagram decoder: a datagram that starts with "/" is a message, one that starts
// with "#" a bundle. Stateless; any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "osc/OSCError.h"
#include "osc/DatagramObject.h"

namespace osc {

enum class OSCDecoderErrorCase { emptyDataProvided, dataIsNotOSC };

class OSCDecoderError : public OSCCaseError<OSCDecoderErrorCase> {
 public:
  static OSCDecoderError emptyDataProvided();
  static OSCDecoderError dataIsNotOSC();

 private:
  using OSCCaseError::OSCCaseError;
};

struct OSCStandardDecoder {
  // Never gives nothing: throws OSCDecoderError for an absent, empty or non-OSC datagram, and
  // passes on the errors of OSCMessage::decode and OSCBundle::decode.
  // Inline, so that the optional never goes through memory on the way in.
  static OSCObject decode(std::optional<std::span<const std::uint8_t>> datagram) {
    if (!datagram) throw OSCDecoderError::emptyDataProvided();
    return decodePresent(*datagram);
  }

 private:
  static OSCObject decodePresent(std::span<const std::uint8_t> datagram);
};

static_assert(DatagramDecoder<OSCStandardDecoder>);

}  // namespace osc
