#include "osc/OSCStandardDecoder.h"

namespace osc {

OSCDecoderError OSCDecoderError::emptyDataProvided() {
  return {Case::emptyDataProvided, "OSCDecoderError.emptyDataProvided"};
}
OSCDecoderError OSCDecoderError::dataIsNotOSC() { return {Case::dataIsNotOSC, "OSCDecoderError.dataIsNotOSC"}; }

OSCObject OSCStandardDecoder::decodePresent(std::span<const std::uint8_t> datagram) {
  if (datagram.empty()) throw OSCDecoderError::emptyDataProvided();
  switch (datagram[0]) {
    case '/': return OSCObject(std::in_place_index<0>, DecodedFrom<OSCMessage>{datagram});
    case '#': return OSCObject(std::in_place_index<1>, DecodedFrom<OSCBundle>{datagram});
    default: throw OSCDecoderError::dataIsNotOSC();
  }
}

}  // namespace osc
