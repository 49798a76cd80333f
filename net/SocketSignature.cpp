#include "net/SocketSignature.h"

#include <cstddef>
#include <cstring>

#include <fmt/format.h>

#include "net/SocketError.h"

namespace net {

namespace {

[[noreturn]] void fail(std::string_view reason) {
  throw SocketError(SocketErrorCodes::errInvalidSignature, std::string(reason));
}

void checkTypeAndProtocol(SocketType type, SocketProtocol proto, bool datagramNeedsUdp = false) {
  if (type == SocketType::stream && proto != SocketProtocol::tcp && proto != SocketProtocol::unix_) {
    fail(reason::streamNeedsTcpOrUnix);
  }
  if (type == SocketType::datagram) {
    if (datagramNeedsUdp && proto != SocketProtocol::udp) fail(reason::datagramNeedsUdp);
    if (proto != SocketProtocol::udp && proto != SocketProtocol::unix_) fail(reason::datagramNeedsUdpOrUnix);
  }
}

struct Mapped {
  ProtocolFamily family;
  SocketType type;
  SocketProtocol proto;
};

std::optional<Mapped> mapPlatform(int family, int type, int proto) {
  const auto f = familyFromPlatform(family);
  if (!f) return std::nullopt;
  const auto t = typeFromPlatform(type);
  if (!t) return std::nullopt;
  const auto p = protocolFromPlatform(proto);
  if (!p) return std::nullopt;
  return Mapped{*f, *t, *p};
}

std::string optionalText(const std::optional<std::string>& text) {
  return text ? fmt::format("Optional(\"{}\")", *text) : "nil";
}

}  // namespace

SocketSignature SocketSignature::fromPlatform(int family, int type, int proto, std::optional<SocketAddress> address) {
  const auto mapped = mapPlatform(family, type, proto);
  if (!mapped) fail(reason::badFamilyTypeOrProtocol);
  checkTypeAndProtocol(mapped->type, mapped->proto);
  SocketSignature signature;
  signature.protocolFamily = mapped->family;
  signature.socketType = mapped->type;
  signature.proto = mapped->proto;
  signature.address = std::move(address);
  return signature;
}

SocketSignature SocketSignature::withAddress(SocketType type, SocketProtocol proto, const SocketAddress& address,
                                             std::optional<std::string> hostname, std::optional<std::int32_t> port) {
  checkTypeAndProtocol(type, proto);
  SocketSignature signature;
  signature.protocolFamily = address.family();
  signature.socketType = type;
  signature.proto = proto;
  signature.hostname = std::move(hostname);
  signature.port = port.value_or(0);
  signature.address = address;
  return signature;
}

SocketSignature SocketSignature::withHost(ProtocolFamily family, SocketType type, SocketProtocol proto,
                                          std::optional<std::string> hostname, std::optional<std::int32_t> port) {
  if (!hostname || !port || family == ProtocolFamily::unix_) fail(reason::missingHostOrPort);
  checkTypeAndProtocol(type, proto);
  SocketSignature signature;
  signature.protocolFamily = family;
  signature.socketType = type;
  signature.proto = proto;
  signature.hostname = std::move(hostname);
  signature.port = *port;
  return signature;
}

SocketSignature SocketSignature::withPath(SocketType type, SocketProtocol proto, const std::optional<std::string>& path) {
  if (!path || path->empty()) fail(reason::missingPathname);
  checkTypeAndProtocol(type, proto);
  if (path->size() > maxUnixPathLength) fail(reason::pathnameTooLong);
  SocketSignature signature;
  signature.protocolFamily = ProtocolFamily::unix_;
  signature.socketType = type;
  signature.proto = proto;
  signature.path = path;
  signature.address = SocketAddress::unix_(signature.makeUnixAddress().first);
  return signature;
}

SocketSignature SocketSignature::fromPlatformWithHost(int family, int type, int proto,
                                                      std::optional<SocketAddress> address,
                                                      std::optional<std::string> hostname,
                                                      std::optional<std::int32_t> port) {
  const auto mapped = mapPlatform(family, type, proto);
  if (!mapped || !hostname || !port) fail(reason::incompleteParameters);
  checkTypeAndProtocol(mapped->type, mapped->proto, true);
  SocketSignature signature;
  signature.protocolFamily = mapped->family;
  signature.socketType = mapped->type;
  signature.proto = mapped->proto;
  signature.hostname = std::move(hostname);
  signature.port = *port;
  signature.address = std::move(address);
  return signature;
}

std::pair<sockaddr_un, socklen_t> SocketSignature::makeUnixAddress() const {
  if (!path) fail(reason::pathHasZeroBytes);
  if (path->size() > maxUnixPathLength) fail(reason::pathnameTooLong);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path->data(), path->size());
  return {address, static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path->size() + 1)};
}

std::string SocketSignature::description() const {
  return fmt::format(
      "Signature: family: {}, type: {}, protocol: {}, address: {}, hostname: {}, port: {}, path: {}, bound: {}, "
      "secure: {}",
      caseName(protocolFamily), caseName(socketType), caseName(proto),
      address ? fmt::format("Optional({})", address->description()) : "nil", optionalText(hostname), port,
      optionalText(path), isBound, isSecure);
}

}  // namespace net
