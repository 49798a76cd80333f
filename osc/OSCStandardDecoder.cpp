#include "osc/OSCStandardDecoder.h"

namespace osc {

OSCDecoderError OSCDecoderError::emptyDataProvided() {
  return {Case::emptyDataProvided, "OSCDecoderError.emptyDataProvided"};
}
OSCDecoderError OSCDecoderError::dataIsNotOSC() { return {Case::dataIsNotOSC, "OSCDecoderError.dataIsNotOSC"}; }

OSCObject OSCStandardDecoder::decode(std::optional<std::span<const std::uint8_t>> datagram) {
  if (!datagram || datagram->empty()) throw OSCDecoderError::emptyDataProvided();
  switch ((*datagram)[0]) {
    case '/': return OSCMessage::decode(*datagram);
    case '#': return OSCBundle::decode(*datagram);
    default: throw OSCDecoderError::dataIsNotOSC();
  }
}

}  // namespace osc
