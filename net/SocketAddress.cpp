#include "net/SocketAddress.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>

#include <fmt/format.h>

#include "platform/Utf8.h"

namespace net {

namespace {

template <typename Address>
Address copyOf(const sockaddr_storage& storage) {
  Address address;
  std::memcpy(&address, &storage, sizeof address);
  return address;
}

// The numeric text of `raw`, formatted with the family stored in the address itself.
template <std::size_t Size>
std::optional<std::string> numericText(int family, const void* raw) {
  char buffer[Size] = {};
  if (inet_ntop(family, raw, buffer, Size) == nullptr) return std::nullopt;
  std::string text(buffer, strnlen(buffer, Size));
  if (!platform::isValidUtf8(text)) return std::nullopt;
  return text;
}

// The dotted-quad text of an IPv4 address, as inet_ntop writes it, without its formatted printing
// (every received datagram's sender is turned into text).
std::string ipv4Text(const in_addr& address) {
  unsigned char bytes[4];
  std::memcpy(bytes, &address.s_addr, sizeof bytes);  // network order: first byte first
  char buffer[INET_ADDRSTRLEN];
  char* out = buffer;
  char* const last = buffer + sizeof buffer;
  for (std::size_t k = 0; k < 4; ++k) {
    if (k > 0 && out != last) *out++ = '.';
    out = std::to_chars(out, last, static_cast<unsigned>(bytes[k])).ptr;
  }
  return std::string(buffer, out);
}

}  // namespace

std::optional<SocketAddress> SocketAddress::fromStorage(const sockaddr_storage& storage) {
  switch (storage.ss_family) {
    case AF_UNIX: return SocketAddress(copyOf<sockaddr_un>(storage));
    case AF_INET: return SocketAddress(copyOf<sockaddr_in>(storage));
    case AF_INET6: return SocketAddress(copyOf<sockaddr_in6>(storage));
    default: return std::nullopt;
  }
}

ProtocolFamily SocketAddress::family() const {
  switch (kind()) {
    case Kind::ipv4: return ProtocolFamily::inet;
    case Kind::ipv6: return ProtocolFamily::inet6;
    case Kind::unix_: return ProtocolFamily::unix_;
  }
  return ProtocolFamily::inet;
}

socklen_t SocketAddress::size() const {
  return std::visit([](const auto& address) { return static_cast<socklen_t>(sizeof address); }, payload_);
}

const sockaddr* SocketAddress::sockaddrPointer() const {
  return std::visit([](const auto& address) { return reinterpret_cast<const sockaddr*>(&address); }, payload_);
}

std::optional<SocketAddress::HostAndPort> SocketAddress::hostAndPort() const {
  std::optional<std::string> host;
  std::int32_t port = 0;
  if (const auto* v4 = asIPv4()) {
    host = ipv4Text(v4->sin_addr);
    port = ntohs(v4->sin_port);
  } else if (const auto* v6 = asIPv6()) {
    host = numericText<INET6_ADDRSTRLEN>(v6->sin6_family, &v6->sin6_addr);
    port = ntohs(v6->sin6_port);
  }
  if (!host) return std::nullopt;
  return HostAndPort{std::move(*host), port};
}

std::string SocketAddress::description() const {
  if (const auto* path = asUnix()) {
    return fmt::format("unix({})", std::string(path->sun_path, strnlen(path->sun_path, sizeof path->sun_path)));
  }
  const auto endpoint = hostAndPort();
  const std::string host = endpoint ? endpoint->host : "?";
  const std::int32_t port = endpoint ? endpoint->port : 0;
  if (kind() == Kind::ipv6) return fmt::format("ipv6([{}]:{})", host, port);
  return fmt::format("ipv4({}:{})", host, port);
}

}  // namespace net
