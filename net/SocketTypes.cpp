#include "net/SocketTypes.h"

#include <netinet/in.h>
#include <sys/socket.h>

namespace net {

std::optional<SocketProtocol> socketProtocolFromRaw(std::int32_t raw) {
  if (raw < 0 || raw > 2) return std::nullopt;
  return static_cast<SocketProtocol>(raw);
}

int platformValue(ProtocolFamily family) {
  switch (family) {
    case ProtocolFamily::inet: return AF_INET;
    case ProtocolFamily::inet6: return AF_INET6;
    case ProtocolFamily::unix_: return AF_UNIX;
  }
  return AF_UNSPEC;
}

int platformValue(SocketType type) { return type == SocketType::stream ? SOCK_STREAM : SOCK_DGRAM; }

int platformValue(SocketProtocol proto) {
  switch (proto) {
    case SocketProtocol::tcp: return IPPROTO_TCP;
    case SocketProtocol::udp: return IPPROTO_UDP;
    case SocketProtocol::unix_: return 0;
  }
  return 0;
}

std::optional<ProtocolFamily> familyFromPlatform(int value) {
  switch (value) {
    case AF_UNIX: return ProtocolFamily::unix_;
    case AF_INET: return ProtocolFamily::inet;
    case AF_INET6: return ProtocolFamily::inet6;
    default: return std::nullopt;
  }
}

std::optional<SocketType> typeFromPlatform(int value) {
  switch (value) {
    case SOCK_STREAM: return SocketType::stream;
    case SOCK_DGRAM: return SocketType::datagram;
    default: return std::nullopt;
  }
}

std::optional<SocketProtocol> protocolFromPlatform(int value) {
  switch (value) {
    case 0: return SocketProtocol::unix_;
    case IPPROTO_TCP: return SocketProtocol::tcp;
    case IPPROTO_UDP: return SocketProtocol::udp;
    default: return std::nullopt;
  }
}

std::string_view caseName(ProtocolFamily family) {
  switch (family) {
    case ProtocolFamily::inet: return "inet";
    case ProtocolFamily::inet6: return "inet6";
    case ProtocolFamily::unix_: return "unix";
  }
  return "";
}

std::string_view caseName(SocketType type) { return type == SocketType::stream ? "stream" : "datagram"; }

std::string_view caseName(SocketProtocol proto) {
  switch (proto) {
    case SocketProtocol::tcp: return "tcp";
    case SocketProtocol::udp: return "udp";
    case SocketProtocol::unix_: return "unix";
  }
  return "";
}

}  // namespace net
