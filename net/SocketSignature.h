#pragma once
// What a socket is and where it points (Socket::Signature): family, type, protocol, the peer's or
// bound endpoint's host text, port, path and platform address, and the secure and bound flags.
// A value; the factories check the combination and throw SocketError (errInvalidSignature).

#include <sys/un.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "net/SocketAddress.h"
#include "net/SocketTypes.h"

namespace net {

// Host text of a signature made without one.
inline constexpr std::string_view noHostname = "No hostname";
// Longest local path: Linux's sun_path holds 108 bytes including the terminating zero.
inline constexpr std::size_t maxUnixPathLength = sizeof(sockaddr_un::sun_path) - 1;

struct SocketSignature {
  ProtocolFamily protocolFamily = ProtocolFamily::inet;
  SocketType socketType = SocketType::stream;
  SocketProtocol proto = SocketProtocol::tcp;
  std::optional<std::string> hostname = std::string(noHostname);
  std::int32_t port = 0;
  std::optional<std::string> path;
  std::optional<SocketAddress> address;
  bool isSecure = false;
  bool isBound = false;

  // From platform numbers (socket(2) arguments) and an optional address.
  static SocketSignature fromPlatform(int family, int type, int proto, std::optional<SocketAddress> address);
  // From an address; the family is the address's.
  static SocketSignature withAddress(SocketType type, SocketProtocol proto, const SocketAddress& address,
                                     std::optional<std::string> hostname, std::optional<std::int32_t> port);
  // From a host and port of a network family; both must be given.
  static SocketSignature withHost(ProtocolFamily family, SocketType type, SocketProtocol proto,
                                  std::optional<std::string> hostname, std::optional<std::int32_t> port);
  // A local path signature with its unix address.
  static SocketSignature withPath(SocketType type, SocketProtocol proto, const std::optional<std::string>& path);
  // From platform numbers with an address, host and port (a connected peer); a datagram
  // signature must use udp here.
  static SocketSignature fromPlatformWithHost(int family, int type, int proto, std::optional<SocketAddress> address,
                                              std::optional<std::string> hostname,
                                              std::optional<std::int32_t> port);

  // The unix address of `path` and the length to pass with it.
  std::pair<sockaddr_un, socklen_t> makeUnixAddress() const;

  std::string description() const;
};

}  // namespace net
