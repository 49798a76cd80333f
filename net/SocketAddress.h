#pragma once
// A platform socket address (Socket::Address): IPv4, IPv6 or a local path. A value; the size()
// is the length handed to the operating system with sockaddr() (Linux sizes: 16, 28, 110).

#include <sys/socket.h>
#include <sys/un.h>
#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "net/SocketTypes.h"

namespace net {

class SocketAddress {
 public:
  enum class Kind { ipv4, ipv6, unix_ };

  static SocketAddress ipv4(const sockaddr_in& address) { return SocketAddress(address); }
  static SocketAddress ipv6(const sockaddr_in6& address) { return SocketAddress(address); }
  static SocketAddress unix_(const sockaddr_un& address) { return SocketAddress(address); }

  // From an address area the operating system filled (recvfrom, accept, getsockname): the area's
  // family field picks the case; any other family gives no address.
  static std::optional<SocketAddress> fromStorage(const sockaddr_storage& storage);

  Kind kind() const { return static_cast<Kind>(payload_.index()); }
  ProtocolFamily family() const;
  socklen_t size() const;
  const sockaddr* sockaddrPointer() const;

  const sockaddr_in* asIPv4() const { return std::get_if<sockaddr_in>(&payload_); }
  const sockaddr_in6* asIPv6() const { return std::get_if<sockaddr_in6>(&payload_); }
  const sockaddr_un* asUnix() const { return std::get_if<sockaddr_un>(&payload_); }

  // Numeric host text and port of an IPv4 or IPv6 address; none for a path address.
  struct HostAndPort {
    std::string host;
    std::int32_t port;
  };
  std::optional<HostAndPort> hostAndPort() const;

  // "ipv4(127.0.0.1:9000)", "ipv6([::1]:9000)", "unix(/tmp/x)".
  std::string description() const;

 private:
  explicit SocketAddress(const sockaddr_in& address) : payload_(address) {}
  explicit SocketAddress(const sockaddr_in6& address) : payload_(address) {}
  explicit SocketAddress(const sockaddr_un& address) : payload_(address) {}

  std::variant<sockaddr_in, sockaddr_in6, sockaddr_un> payload_;
};

}  // namespace net
