// The UDP-over-IPv4 road: create, bind, datagrams with sender address, options, wake-up, close.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "net/Socket.h"
#include "tests/net/SocketTestSupport.h"

namespace net {
namespace {

using namespace std::chrono_literals;
using net::testing::boundUdpSocket;
using net::testing::expectSocketError;
using net::testing::loopbackAddress;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::unique_ptr<Socket> udpSocket() {
  return Socket::create(ProtocolFamily::inet, SocketType::datagram, SocketProtocol::udp);
}

TEST(SocketUdpTest, CreateGivesAFreshUnboundSocket) {
  auto socket = udpSocket();
  ASSERT_GE(socket->socketfd(), 0);
  const auto& signature = *socket->signature();
  EXPECT_EQ(signature.protocolFamily, ProtocolFamily::inet);
  EXPECT_EQ(signature.proto, SocketProtocol::udp);
  EXPECT_FALSE(signature.isBound);
  EXPECT_EQ(socket->boundPort(), -1);
  EXPECT_EQ(socket->remoteHostname(), "No hostname");
  EXPECT_EQ(Socket::create(ProtocolFamily::unix_, SocketType::stream, SocketProtocol::tcp)->signature()->proto,
            SocketProtocol::unix_);

  // Identity, and the read buffer replaced only when its size changes.
  auto other = udpSocket();
  EXPECT_TRUE(*socket == *socket);
  EXPECT_FALSE(*socket == *other);
  EXPECT_NE(std::hash<Socket>{}(*socket), std::hash<Socket>{}(*other));
  EXPECT_EQ(socket->readBufferSize(), 4096u);
  socket->setReadBufferSize(0);
  EXPECT_EQ(socket->readBufferSize(), 1024u);
  const std::uint8_t* before = socket->readBuffer().data();
  socket->setReadBufferSize(1024);
  EXPECT_EQ(socket->readBuffer().data(), before);
  socket->setReadBufferSize(8192);
  EXPECT_EQ(socket->readBuffer().size(), 8192u);
}

TEST(SocketUdpTest, RoundTripWithSenderAddresses) {
  auto server = boundUdpSocket();
  const std::int32_t serverPort = server->boundPort();
  ASSERT_GT(serverPort, 0);
  EXPECT_EQ(server->signature()->hostname, "127.0.0.1");
  EXPECT_EQ(server->listeningPort(), -1);  // bound, not listening
  EXPECT_FALSE(server->isActive());

  auto client = udpSocket();
  client->setBroadcast(true);
  client->setWriteTimeout(1000);
  EXPECT_EQ(client->write(bytes("hello"), loopbackAddress(serverPort)), 5);
  std::vector<std::uint8_t> received = bytes("abc");
  const auto [count, sender] = server->readDatagram(received);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(received, bytes("abchello"));  // appended
  ASSERT_TRUE(sender);
  EXPECT_EQ(Socket::hostAndPort(*sender)->host, "127.0.0.1");

  // Answer the sender at the address the read gave.
  EXPECT_EQ(server->write(std::string_view("pong"), *sender), 4);
  std::uint8_t reply[16] = {};
  const auto answer = client->readDatagram(reply, sizeof reply);
  EXPECT_EQ(answer.count, 4);
  EXPECT_EQ(std::string(reply, reply + 4), "pong");
  EXPECT_EQ(Socket::hostAndPort(*answer.address)->port, serverPort);
}

TEST(SocketUdpTest, Binding) {
  // Port reuse: both binds succeed (Linux spreads unicast datagrams between the two).
  auto first = boundUdpSocket();
  auto second = udpSocket();
  EXPECT_NO_THROW(second->listen(first->boundPort(), 1024, true, std::string("127.0.0.1")));
  EXPECT_EQ(second->boundPort(), first->boundPort());
  expectSocketError([&] { second->listen(0, 1024, true); }, Socket::errBindFailed);  // already bound

  auto third = udpSocket();
  // 192.0.2.1 (a documentation network) is not an address of this machine.
  expectSocketError([&] { third->listen(0, 1024, true, std::string("192.0.2.1")); }, Socket::errBindFailed,
                    systemErrorText(EADDRNOTAVAIL));
  expectSocketError([&] { third->listen(0, 1024, true, std::string("no such host")); },
                    Socket::errAddressLookupFailed);
  EXPECT_FALSE(third->signature()->isBound);
}

TEST(SocketUdpTest, LongDatagramsAreCut) {
  auto server = boundUdpSocket();
  server->setReadBufferSize(8192);
  auto client = udpSocket();
  const auto to = loopbackAddress(server->boundPort());
  std::vector<std::uint8_t> big(9000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(client->write(big, to), 9000);
  std::vector<std::uint8_t> received;
  EXPECT_EQ(server->readDatagram(received).count, 8192);
  EXPECT_TRUE(std::equal(received.begin(), received.end(), big.begin()));

  // A raw buffer smaller than the datagram keeps its first bytes; the rest is gone.
  ASSERT_EQ(client->write(std::string_view("0123456789abcdefghijklmno"), to), 25);
  ASSERT_EQ(client->write(std::string_view("next"), to), 4);
  std::uint8_t small[10] = {};
  EXPECT_EQ(server->readDatagram(small, sizeof small).count, 10);
  EXPECT_EQ(std::string(small, small + 10), "0123456789");
  received.clear();
  EXPECT_EQ(server->readDatagram(received).count, 4);
  EXPECT_EQ(received, bytes("next"));
}

TEST(SocketUdpTest, ReadsWithoutDataReturnNothing) {
  // Read time-out, then non-blocking mode: both give count 0 and no address, without error.
  auto server = boundUdpSocket();
  server->setReadTimeout(50);
  std::vector<std::uint8_t> received;
  auto start = Clock::now();
  auto result = server->readDatagram(received);
  EXPECT_EQ(result.count, 0);
  EXPECT_FALSE(result.address);
  EXPECT_GE(Clock::now() - start, 30ms);
  EXPECT_LT(Clock::now() - start, 5s);

  server->setReadTimeout(0);
  server->setBlocking(false);
  start = Clock::now();
  result = server->readDatagram(received);
  EXPECT_EQ(result.count, 0);
  EXPECT_FALSE(result.address);
  EXPECT_LT(Clock::now() - start, 1s);
}

TEST(SocketUdpTest, WakeUpReleasesABlockedReader) {
  auto server = boundUdpSocket();
  Socket::DatagramResult result{-1, std::nullopt};
  std::thread reader([&] {
    std::vector<std::uint8_t> received;
    result = server->readDatagram(received);
  });
  std::this_thread::sleep_for(50ms);
  server->wakeUp();
  reader.join();
  EXPECT_EQ(result.count, 0);
  EXPECT_FALSE(result.address);
  EXPECT_FALSE(server->remoteConnectionClosed());
  EXPECT_GE(server->socketfd(), 0);  // still open until close()
  server->close();
  EXPECT_EQ(server->socketfd(), -1);
}

TEST(SocketUdpTest, EmptyDatagramDoesNotStopWrites) {
  auto server = boundUdpSocket();
  auto client = boundUdpSocket();
  ASSERT_EQ(::sendto(client->socketfd(), "", 0, 0, loopbackAddress(server->boundPort()).sockaddrPointer(),
                     sizeof(sockaddr_in)),
            0);
  std::vector<std::uint8_t> received;
  const auto result = server->readDatagram(received);
  EXPECT_EQ(result.count, 0);
  EXPECT_FALSE(server->remoteConnectionClosed());
  EXPECT_EQ(server->write(std::string_view("still"), loopbackAddress(client->boundPort())), 5);
  EXPECT_EQ(client->readDatagram(received).count, 5);
}

TEST(SocketUdpTest, RefusedUses) {
  // A closed socket also shows which check comes first: buffer size, then descriptor.
  auto udp = boundUdpSocket();
  auto closed = udpSocket();
  closed->close();
  auto tcp = Socket::create(ProtocolFamily::inet, SocketType::stream, SocketProtocol::tcp);
  std::uint8_t buffer[4];
  std::vector<std::uint8_t> received;
  const auto nowhere = loopbackAddress(9);
  const auto v6 = Socket::resolveAddress("::1", 9);
  const std::string badDescriptor = systemErrorText(EBADF);
  const struct {
    std::function<void()> call;
    std::int32_t code;
    std::optional<std::string_view> reason;
  } cases[] = {
      {[&] { tcp->setBroadcast(true); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { tcp->write(bytes("x"), nowhere); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { tcp->readDatagram(received); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { tcp->listenForDatagram(received, 0); }, Socket::errWrongProtocol, reason::notUdp},
      {[&] { udp->write(bytes("x")); }, Socket::errNotConnected, reason::theSocketNotConnected},
      {[&] { udp->pollReadiness(false, 0); }, Socket::errNotConnected, reason::theSocketNotConnected},
      {[&] { udp->write(bytes("x"), *v6); }, Socket::errWriteFailed, std::nullopt},
      {[&] { closed->readDatagram(buffer, 0); }, Socket::errInvalidBuffer, reason::invalidBufferSize},
      {[&] { closed->listenForDatagram(buffer, 0, 0); }, Socket::errInvalidBuffer, reason::invalidBufferTheSize},
      {[&] { closed->read(buffer, 0); }, Socket::errInvalidBuffer, reason::invalidBufferTheSize},
      {[&] { closed->write(std::vector<std::uint8_t>{}, nowhere); }, Socket::errInvalidBuffer, reason::bufferNotValid},
      {[&] { closed->write(std::string_view()); }, Socket::errInvalidBuffer, reason::bufferNotValid},
      {[&] { closed->connectToPath("/x"); }, Socket::errWrongProtocol, reason::mustBeUnix},
      {[&] { closed->readDatagram(received); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->read(buffer, 4); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->write(bytes("x"), nowhere); }, Socket::errInvalidDescriptor, reason::socketNotValid},
      {[&] { closed->setBroadcast(true); }, Socket::errInvalidDescriptor, reason::socketNotValid},
      {[&] { closed->pollReadiness(false, 0); }, Socket::errInvalidDescriptor, reason::socketNotValid},
      {[&] { closed->acceptInPlace(); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor},
      {[&] { closed->setReadTimeout(5); }, Socket::errSetReadTimeoutFailed, badDescriptor},
      {[&] { closed->setWriteTimeout(5); }, Socket::errSetWriteTimeoutFailed, badDescriptor},
      {[&] { closed->setBlocking(false); }, Socket::errGetFlagsFailed, badDescriptor},
  };
  for (const auto& check : cases) expectSocketError(check.call, check.code, check.reason);
  EXPECT_TRUE(closed->isBlocking());
}

TEST(SocketUdpTest, ClosingResetsTheSignature) {
  auto socket = boundUdpSocket();
  socket->close();
  socket->close();  // harmless
  EXPECT_EQ(socket->socketfd(), -1);
  EXPECT_EQ(socket->remoteHostname(), "No hostname");
  EXPECT_EQ(socket->remotePort(), 0);
  EXPECT_EQ(socket->listeningPort(), -1);
  EXPECT_TRUE(socket->signature()->isBound);
}

TEST(SocketUdpTest, ListenForDatagramBindsOnceAndListens) {
  auto server = boundUdpSocket();
  const std::int32_t port = server->boundPort();
  ASSERT_EQ(udpSocket()->write(std::string_view("hi"), loopbackAddress(port)), 2);
  std::vector<std::uint8_t> received;
  EXPECT_EQ(server->listenForDatagram(received, 0).count, 2);
  EXPECT_EQ(server->boundPort(), port);
  EXPECT_EQ(server->listeningPort(), port);
  EXPECT_NO_THROW(server->pollReadiness(false, 0));
}

TEST(SocketUdpTest, AddressesTurnIntoHostAndPort) {
  sockaddr_in raw{};
  raw.sin_family = AF_INET;
  raw.sin_port = htons(9000);
  ASSERT_EQ(inet_pton(AF_INET, "192.168.1.20", &raw.sin_addr), 1);
  const auto v4 = Socket::hostAndPort(Socket::Address::ipv4(raw));
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->host, "192.168.1.20");
  EXPECT_EQ(v4->port, 9000);
  EXPECT_FALSE(Socket::hostAndPort(Socket::Address::unix_(sockaddr_un{AF_UNIX, "/tmp/x"})));
  EXPECT_EQ(Socket::resolveAddress("127.0.0.1", 9000)->size(), 16u);
  EXPECT_EQ(Socket::resolveAddress("::1", 1)->size(), 28u);
  EXPECT_FALSE(Socket::resolveAddress("no such host", 9000));
}

TEST(SocketUdpTest, WaitForReadableAcceptsBoundSockets) {
  auto server = boundUdpSocket();
  const std::vector<Socket*> sockets{server.get()};
  const auto start = Clock::now();
  EXPECT_FALSE(Socket::waitForReadable(sockets, 0, false));
  EXPECT_LT(Clock::now() - start, 1s);
  udpSocket()->write(std::string_view("x"), loopbackAddress(server->boundPort()));
  EXPECT_EQ(Socket::waitForReadable(sockets, 5000, false), sockets);

  auto client = udpSocket();
  expectSocketError([&] { Socket::waitForReadable({client.get()}, 0, false); }, Socket::errNotActive,
                    reason::notActive);
  client->setSignature(std::nullopt);
  expectSocketError([&] { Socket::waitForReadable({client.get()}, 0, false); }, Socket::errMissingSignature,
                    reason::missingSignature);
  client->close();
  expectSocketError([&] { Socket::waitForReadable({client.get()}, 0, false); }, Socket::errInvalidDescriptor,
                    reason::theSocketInvalidDescriptor);
}

}  // namespace
}  // namespace net
