#include "net/SocketSignature.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

#include "net/Socket.h"
#include "tests/net/SocketTestSupport.h"

namespace net {
namespace {

using S = SocketSignature;
using net::testing::expectSocketError;
constexpr auto stream = SocketType::stream;
constexpr auto unix_ = SocketProtocol::unix_;

TEST(SocketSignatureTest, FromPlatformNumbers) {
  const auto udp = S::fromPlatform(AF_INET, SOCK_DGRAM, IPPROTO_UDP, std::nullopt);
  EXPECT_EQ(udp.protocolFamily, ProtocolFamily::inet);
  EXPECT_EQ(udp.socketType, SocketType::datagram);
  EXPECT_EQ(udp.proto, SocketProtocol::udp);
  EXPECT_FALSE(udp.path || udp.address || udp.isBound || udp.isSecure);
  // A local datagram socket with protocol 0 passes here but not in the host-and-port form.
  EXPECT_EQ(S::fromPlatform(AF_UNIX, SOCK_DGRAM, 0, std::nullopt).proto, unix_);
  EXPECT_EQ(net::socketProtocolFromRaw(2), unix_);
  EXPECT_FALSE(net::socketProtocolFromRaw(3));
}

TEST(SocketSignatureTest, RefusedCombinations) {
  const std::pair<std::function<void()>, std::string_view> cases[] = {
      {[] { S::fromPlatform(AF_INET, SOCK_DGRAM, IPPROTO_TCP, std::nullopt); }, reason::datagramNeedsUdpOrUnix},
      {[] { S::fromPlatform(99, SOCK_DGRAM, IPPROTO_UDP, std::nullopt); }, reason::badFamilyTypeOrProtocol},
      {[] { S::fromPlatform(AF_INET, SOCK_STREAM, IPPROTO_UDP, std::nullopt); }, reason::streamNeedsTcpOrUnix},
      {[] { S::withHost(ProtocolFamily::unix_, stream, SocketProtocol::tcp, "h", 1); }, reason::missingHostOrPort},
      {[] { S::withHost(ProtocolFamily::inet, stream, SocketProtocol::tcp, "h", std::nullopt); },
       reason::missingHostOrPort},
      {[] { S::fromPlatformWithHost(AF_UNIX, SOCK_DGRAM, 0, std::nullopt, "h", 1); }, reason::datagramNeedsUdp},
      {[] { S::fromPlatformWithHost(AF_INET, SOCK_STREAM, IPPROTO_TCP, std::nullopt, "h", std::nullopt); },
       reason::incompleteParameters},
      {[] { S::fromPlatformWithHost(7, SOCK_STREAM, IPPROTO_TCP, std::nullopt, "h", 1); },
       reason::incompleteParameters},
      {[] { S::withPath(stream, unix_, std::string()); }, reason::missingPathname},
      {[] { S::withPath(stream, unix_, std::nullopt); }, reason::missingPathname},
      {[] { S::withPath(stream, unix_, std::string(108, 'p')); }, reason::pathnameTooLong},
      {[] { S::withPath(stream, SocketProtocol::udp, std::string("/p")); }, reason::streamNeedsTcpOrUnix},
      {[] { S().makeUnixAddress(); }, reason::pathHasZeroBytes},
  };
  for (const auto& [make, text] : cases) expectSocketError(make, Socket::errInvalidSignature, text);
}

TEST(SocketSignatureTest, LongestPathFitsWithItsTerminator) {
  const std::string longest(107, 'p');
  const auto local = S::withPath(stream, unix_, longest);
  EXPECT_EQ(local.protocolFamily, ProtocolFamily::unix_);
  ASSERT_TRUE(local.address);
  EXPECT_EQ(local.address->size(), sizeof(sockaddr_un));
  EXPECT_EQ(std::string(local.address->asUnix()->sun_path), longest);
  const auto [address, length] = local.makeUnixAddress();
  EXPECT_EQ(address.sun_family, AF_UNIX);
  EXPECT_EQ(length, offsetof(sockaddr_un, sun_path) + longest.size() + 1);
}

}  // namespace
}  // namespace net
