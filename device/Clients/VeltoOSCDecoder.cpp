#include "device/Clients/VeltoOSCDecoder.h"

#include "gzip/Gzip.h"
#include "osc/OSCStandardDecoder.h"

namespace device {

std::optional<osc::DatagramObject> VeltoOSCDecoder::decode(std::optional<std::span<const std::uint8_t>> datagram) {
  if (!datagram) return std::nullopt;
  if (gzip::isZlibCompressed(*datagram)) {
    const gzip::Bytes inflated = gzip::gunzipped(*datagram, 0, inflateLimit);
    return osc::OSCStandardDecoder::decode(std::span<const std::uint8_t>(inflated));
  }
  return osc::OSCStandardDecoder::decode(datagram);
}

}  // namespace device
