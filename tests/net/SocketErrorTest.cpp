#include "net/SocketError.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "net/SSLError.h"
#include "net/Socket.h"
#include "tests/net/SocketTestSupport.h"

namespace net {
namespace {

using namespace net::testing;
using S = SocketSignature;
constexpr auto stream = SocketType::stream;
constexpr auto unix_ = SocketProtocol::unix_;

TEST(SocketErrorTest, DescriptionsAndSecurityErrors) {
  const std::pair<SocketError, const char*> texts[] = {
      {SocketError(-9999, std::nullopt), "Error code: -9999(0x-270F), Reason: Unavailable"},
      {SocketError(-9973, "This is not a UDP socket."), "Error code: -9973(0x-26F5), This is not a UDP socket."},
      {SocketError(-9980, ""), "Error code: -9980(0x-26FC), "},
      {SocketError(255, "x"), "Error code: 255(0xFF), x"},
      {SocketError(INT32_MIN, std::nullopt), "Error code: -2147483648(0x-80000000), Reason: Unavailable"},
  };
  for (const auto& [error, text] : texts) {
    EXPECT_EQ(error.description(), text);
    EXPECT_STREQ(error.what(), text);
  }
  const struct {
    SSLError error;
    std::int32_t code;
    const char* reason;
  } security[] = {
      {SSLError::retryNeeded(), -1, "Retry operation"},
      {SSLError::success(), 0, "Success"},
      {SSLError::fail(-42, "handshake"), -42, "handshake"},
      {SSLError::fail(-(std::int64_t{1} << 40), "huge"), INT32_MIN, "huge"},
  };
  for (const auto& c : security) {
    const SocketError converted = c.error.toSocketError();
    EXPECT_EQ(converted.errorCode(), c.code);
    EXPECT_EQ(converted.errorReason(), c.reason);
  }
}

// Misuses of every operation, refused connections and signatures, with their codes and reasons.
// A closed socket also shows which check comes first (buffer size, then protocol, then descriptor).
TEST(SocketErrorTest, RefusedUses) {
  Connection c;
  auto fresh = tcpSocket();
  auto udp = boundUdpSocket();
  auto unbound = udpSocket();
  auto unsigned_ = udpSocket();
  unsigned_->setSignature(std::nullopt);
  auto closed = udpSocket();
  closed->close();
  auto nonBlocking = tcpSocket();
  nonBlocking->setBlocking(false);
  std::uint8_t buffer[4];
  std::vector<std::uint8_t> received;
  const auto nowhere = loopbackAddress(9);
  const std::string badDescriptor = systemErrorText(EBADF), refused = systemErrorText(ECONNREFUSED);
  const std::int32_t closedPort = tcpListener()->listeningPort();  // closed again at once
  const std::int32_t bad = Socket::errInvalidSignature;
  expectSocketErrors({
      {[] { S::fromPlatform(AF_INET, SOCK_DGRAM, IPPROTO_TCP, std::nullopt); }, bad, reason::datagramNeedsUdpOrUnix},
      {[] { S::fromPlatform(99, SOCK_DGRAM, IPPROTO_UDP, std::nullopt); }, bad, reason::badFamilyTypeOrProtocol},
      {[] { S::fromPlatform(AF_INET, SOCK_STREAM, IPPROTO_UDP, std::nullopt); }, bad, reason::streamNeedsTcpOrUnix},
      {[] { S::withHost(ProtocolFamily::unix_, stream, SocketProtocol::tcp, "h", 1); }, bad, reason::missingHostOrPort},
      {[] { S::withHost(ProtocolFamily::inet, stream, SocketProtocol::tcp, "h", std::nullopt); },
       bad, reason::missingHostOrPort},
      {[] { S::fromPlatformWithHost(AF_UNIX, SOCK_DGRAM, 0, std::nullopt, "h", 1); }, bad, reason::datagramNeedsUdp},
      {[] { S::fromPlatformWithHost(AF_INET, SOCK_STREAM, IPPROTO_TCP, std::nullopt, "h", std::nullopt); },
       bad, reason::incompleteParameters},
      {[] { S::fromPlatformWithHost(7, SOCK_STREAM, IPPROTO_TCP, std::nullopt, "h", 1); },
       bad, reason::incompleteParameters},
      {[] { S::withPath(stream, unix_, std::string()); }, bad, reason::missingPathname},
      {[] { S::withPath(stream, unix_, std::nullopt); }, bad, reason::missingPathname},
      {[] { S::withPath(stream, unix_, std::string(108, 'p')); }, bad, reason::pathnameTooLong},
      {[] { S::withPath(stream, SocketProtocol::udp, std::string("/p")); }, bad, reason::streamNeedsTcpOrUnix},
      {[] { S().makeUnixAddress(); }, bad, reason::pathHasZeroBytes},
      {[&] { tcpSocket()->connect("127.0.0.1", closedPort); }, Socket::errAddressLookupFailed, refused},
      {[&] { tcpSocket()->connect("127.0.0.1", closedPort, 500); }, Socket::errAddressLookupFailed, refused},
      {[&] { tcpSocket()->connect("no such host", 80); }, Socket::errAddressLookupFailed, std::nullopt},
      {[&] { fresh->connect("127.0.0.1", 0); }, Socket::errInvalidPort, reason::invalidPort},
      {[&] { fresh->connect("127.0.0.1", 65536); }, Socket::errInvalidPort, reason::invalidPort},
      {[&] { fresh->connect("", 80); }, Socket::errInvalidHostname, reason::invalidHostname},
      {[&] { c.client->connect("127.0.0.1", 80); }, Socket::errAlreadyConnected, reason::alreadyConnected},
      {[&] { fresh->connect(Socket::Signature{}); }, Socket::errConnectionDataUnavailable,
       reason::connectionDataUnavailable},
      {[&] { nonBlocking->connect("127.0.0.1", 80); }, Socket::errTimeoutNotSet, reason::timeoutNotSet},
      {[&] { fresh->listenOnPath("/x"); }, Socket::errWrongProtocol, reason::mustBeAUnix},
      {[&] { fresh->readString(); }, Socket::errNotConnected, reason::socketNotConnected},
      {[&] { Socket::adopt(3, std::nullopt); }, Socket::errConnectionDataUnavailable,
       reason::socketConnectionDataUnavailable},
      {[&] { fresh->setBroadcast(true); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { fresh->write(bytes("x"), nowhere); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { fresh->readDatagram(received); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { fresh->listenForDatagram(received, 0); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { udp->write(bytes("x")); }, Socket::errNotConnected, reason::theSocketNotConnected},
      {[&] { udp->pollReadiness(false, 0); }, Socket::errNotConnected, reason::theSocketNotConnected},
      {[&] { udp->write(bytes("x"), *Socket::resolveAddress("::1", 9)); }, Socket::errWriteFailed, std::nullopt},
      {[&] { udp->acceptClient(); }, Socket::errNotListening, reason::theSocketNotListening},
      {[&] { udp->acceptInPlace(); }, Socket::errNotListening, reason::socketNotListening},
      {[&] { Socket::waitForReadable({unbound.get()}, 0, false); }, Socket::errNotActive, reason::notActive},
      {[&] { Socket::waitForReadable({unsigned_.get()}, 0, false); }, Socket::errMissingSignature,
       reason::missingSignature},
      {[&] { Socket::waitForReadable({closed.get()}, 0, false); }, Socket::errInvalidDescriptor,
       reason::theSocketInvalidDescriptor},
      {[&] { closed->readDatagram(buffer, 0); }, Socket::errInvalidBuffer, reason::invalidBufferSize},
      {[&] { closed->listenForDatagram(buffer, 0, 0); }, Socket::errInvalidBuffer, reason::invalidBufferTheSize},
      {[&] { closed->read(buffer, 0); }, Socket::errInvalidBuffer, reason::invalidBufferTheSize},
      {[&] { closed->write(std::vector<std::uint8_t>{}, nowhere); }, Socket::errInvalidBuffer, reason::bufferNotValid},
      {[&] { closed->write(std::string_view()); }, Socket::errInvalidBuffer, reason::bufferNotValid},
      {[&] { closed->connectToPath("/x"); }, Socket::errWrongProtocol, reason::mustBeUnix},
      {[&] { closed->connect("127.0.0.1", 80); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->listen(0); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->acceptClient(); }, Socket::errInvalidDescriptor, reason::theSocketInvalidDescriptor},
      {[&] { closed->acceptInPlace(); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->readDatagram(received); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->read(buffer, 4); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->write(bytes("x"), nowhere); }, Socket::errInvalidDescriptor, reason::socketNotValid},
      {[&] { closed->setBroadcast(true); }, Socket::errInvalidDescriptor, reason::socketNotValid},
      {[&] { closed->pollReadiness(false, 0); }, Socket::errInvalidDescriptor, reason::socketNotValid},
      {[&] { closed->setReadTimeout(5); }, Socket::errSetReadTimeoutFailed, badDescriptor},
      {[&] { closed->setWriteTimeout(5); }, Socket::errSetWriteTimeoutFailed, badDescriptor},
      {[&] { closed->setBlocking(false); }, Socket::errGetFlagsFailed, badDescriptor},
  });
  EXPECT_TRUE(closed->isBlocking());
  EXPECT_EQ(closed->write(std::vector<std::uint8_t>{}), 0);  // empty data never looks at the socket
  EXPECT_FALSE(Socket::waitForReadable({}, 0, true));        // an empty list does not wait for ever

  // A descriptor closed behind the socket's back fails the readiness tests instead of looking idle.
  const int number = c.client->socketfd();
  const int saved = ::dup(number);
  ::close(number);
  expectSocketError([&] { c.client->pollReadiness(false, 0); }, Socket::errSelectFailed, badDescriptor);
  expectSocketError([&] { Socket::waitForReadable({c.client.get()}, 0, true); }, Socket::errSelectFailed,
                    badDescriptor);
  ::dup2(saved, number);
  ::close(saved);
}

}  // namespace
}  // namespace net
