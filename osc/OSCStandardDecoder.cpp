#include "osc/OSCStandardDecoder.h"

namespace osc {

OSCDecoderError OSCDecoderError::emptyDataProvided() {
  return {Case::emptyDataProvided, "The datagram is empty."};
}
OSCDecoderError OSCDecoderError::dataIsNotOSC() { return {Case::dataIsNotOSC, "The datagram is neither an OSC message nor an OSC bundle."}; }

OSCObject OSCStandardDecoder::decodePresent(std::span<const std::uint8_t> datagram) {
  if (datagram.empty()) throw OSCDecoderError::emptyDataProvided();
  switch (datagram[0]) {
    case '/': return OSCObject(std::in_place_index<0>, DecodedFrom<OSCMessage>{datagram});
    case '#': return OSCObject(std::in_place_index<1>, DecodedFrom<OSCBundle>{datagram});
    default: throw OSCDecoderError::dataIsNotOSC();
  }
}

}  // namespace osc
