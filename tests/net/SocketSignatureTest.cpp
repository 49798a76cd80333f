#include "net/SocketSignature.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <functional>
#include <string>

#include "net/Socket.h"
#include "tests/net/SocketTestSupport.h"

namespace net {
namespace {

using net::testing::expectSocketError;

TEST(SocketSignatureTest, FromPlatformNumbers) {
  const auto udp = SocketSignature::fromPlatform(AF_INET, SOCK_DGRAM, IPPROTO_UDP, std::nullopt);
  EXPECT_EQ(udp.protocolFamily, ProtocolFamily::inet);
  EXPECT_EQ(udp.socketType, SocketType::datagram);
  EXPECT_EQ(udp.proto, SocketProtocol::udp);
  EXPECT_EQ(udp.hostname, "No hostname");
  EXPECT_EQ(udp.port, 0);
  EXPECT_FALSE(udp.path || udp.address || udp.isBound || udp.isSecure);
  EXPECT_EQ(udp.description(),
            "Signature: family: inet, type: datagram, protocol: udp, address: nil, hostname: "
            "Optional(\"No hostname\"), port: 0, path: nil, bound: false, secure: false");
  // A local datagram socket with protocol 0 passes here but not in the host-and-port form.
  EXPECT_EQ(SocketSignature::fromPlatform(AF_UNIX, SOCK_DGRAM, 0, std::nullopt).proto, SocketProtocol::unix_);
}

TEST(SocketSignatureTest, RefusedCombinations) {
  const struct {
    std::function<void()> make;
    std::string_view reason;
  } cases[] = {
      {[] { SocketSignature::fromPlatform(AF_INET, SOCK_DGRAM, IPPROTO_TCP, std::nullopt); },
       reason::datagramNeedsUdpOrUnix},
      {[] { SocketSignature::fromPlatform(99, SOCK_DGRAM, IPPROTO_UDP, std::nullopt); },
       reason::badFamilyTypeOrProtocol},
      {[] { SocketSignature::fromPlatform(AF_INET, SOCK_STREAM, IPPROTO_UDP, std::nullopt); },
       reason::streamNeedsTcpOrUnix},
      {[] {
         SocketSignature::withHost(ProtocolFamily::unix_, SocketType::stream, SocketProtocol::tcp, "h", 1);
       },
       reason::missingHostOrPort},
      {[] {
         SocketSignature::withHost(ProtocolFamily::inet, SocketType::stream, SocketProtocol::tcp, "h", std::nullopt);
       },
       reason::missingHostOrPort},
      {[] {
         SocketSignature::fromPlatformWithHost(AF_UNIX, SOCK_DGRAM, 0, std::nullopt, "h", 1);
       },
       reason::datagramNeedsUdp},
      {[] { SocketSignature::fromPlatformWithHost(AF_INET, SOCK_STREAM, IPPROTO_TCP, std::nullopt, "h", std::nullopt); },
       reason::incompleteParameters},
      {[] { SocketSignature::fromPlatformWithHost(7, SOCK_STREAM, IPPROTO_TCP, std::nullopt, "h", 1); },
       reason::incompleteParameters},
      {[] { SocketSignature::withPath(SocketType::stream, SocketProtocol::unix_, std::string()); },
       reason::missingPathname},
      {[] { SocketSignature::withPath(SocketType::stream, SocketProtocol::unix_, std::nullopt); },
       reason::missingPathname},
      {[] { SocketSignature::withPath(SocketType::stream, SocketProtocol::unix_, std::string(108, 'p')); },
       reason::pathnameTooLong},
      {[] { SocketSignature::withPath(SocketType::stream, SocketProtocol::udp, std::string("/p")); },
       reason::streamNeedsTcpOrUnix},
      {[] { SocketSignature().makeUnixAddress(); }, reason::pathHasZeroBytes},
  };
  for (const auto& c : cases) expectSocketError(c.make, Socket::errInvalidSignature, c.reason);
}

TEST(SocketSignatureTest, PathsAndAddresses) {
  const std::string longest(107, 'p');
  const auto local = SocketSignature::withPath(SocketType::stream, SocketProtocol::unix_, longest);
  EXPECT_EQ(local.protocolFamily, ProtocolFamily::unix_);
  EXPECT_EQ(local.path, longest);
  ASSERT_TRUE(local.address);
  EXPECT_EQ(local.address->size(), sizeof(sockaddr_un));
  EXPECT_EQ(std::string(local.address->asUnix()->sun_path), longest);
  const auto [address, length] = local.makeUnixAddress();
  EXPECT_EQ(address.sun_family, AF_UNIX);
  EXPECT_EQ(length, offsetof(sockaddr_un, sun_path) + longest.size() + 1);

  const auto v4 = *Socket::resolveAddress("127.0.0.1", 80);
  const auto withAddress =
      SocketSignature::withAddress(SocketType::stream, SocketProtocol::tcp, v4, std::nullopt, std::nullopt);
  EXPECT_EQ(withAddress.protocolFamily, ProtocolFamily::inet);
  EXPECT_EQ(withAddress.port, 0);
  EXPECT_FALSE(withAddress.hostname);
  EXPECT_EQ(withAddress.description(),
            "Signature: family: inet, type: stream, protocol: tcp, address: Optional(ipv4(127.0.0.1:80)), "
            "hostname: nil, port: 0, path: nil, bound: false, secure: false");
}

TEST(SocketSignatureTest, ProtocolRawValues) {
  EXPECT_EQ(net::socketProtocolFromRaw(0), SocketProtocol::tcp);
  EXPECT_EQ(net::socketProtocolFromRaw(2), SocketProtocol::unix_);
  EXPECT_FALSE(net::socketProtocolFromRaw(3));
}

}  // namespace
}  // namespace net
