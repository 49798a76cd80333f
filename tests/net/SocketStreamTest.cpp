// TCP over IPv4 and IPv6: listening, accepting, connecting (with time-out), reads and writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "net/Socket.h"
#include "tests/net/SocketTestSupport.h"

namespace net {
namespace {

using namespace std::chrono_literals;
using net::testing::expectSocketError;
using Clock = std::chrono::steady_clock;

std::unique_ptr<Socket> tcpSocket(ProtocolFamily family = ProtocolFamily::inet) {
  return Socket::create(family, SocketType::stream, SocketProtocol::tcp);
}

std::unique_ptr<Socket> tcpListener(std::int64_t backlog = 5) {
  auto listener = tcpSocket();
  listener->listen(0, backlog, true, std::string("127.0.0.1"));
  return listener;
}

// Waits (bounded) until `socket` has something to read.
void awaitReadable(Socket& socket) { ASSERT_TRUE(socket.pollReadiness(false, 5000).readable); }

struct Connection {
  std::unique_ptr<Socket> listener = tcpListener();
  std::unique_ptr<Socket> client = tcpSocket();
  std::unique_ptr<Socket> peer;
  Connection() {
    client->connect("127.0.0.1", listener->listeningPort());
    peer = listener->acceptClient();
  }
};

TEST(SocketStreamTest, ConnectAcceptAndExchange) {
  Connection c;
  EXPECT_TRUE(c.listener->isListening());
  EXPECT_GT(c.listener->listeningPort(), 0);
  EXPECT_TRUE(c.client->isConnected());
  EXPECT_EQ(c.client->remoteHostname(), "127.0.0.1");
  EXPECT_EQ(c.client->remotePort(), c.listener->listeningPort());
  EXPECT_EQ(c.peer->remoteHostname(), "127.0.0.1");
  EXPECT_TRUE(c.listener->isListening());  // keeps listening

  const auto start = Clock::now();
  auto readiness = c.client->pollReadiness(false, 0);
  EXPECT_FALSE(readiness.readable);
  EXPECT_TRUE(readiness.writable);
  EXPECT_LT(Clock::now() - start, 1s);
  const auto [readable, writable] = Socket::partitionByReadiness({c.client.get(), c.listener.get()});
  EXPECT_TRUE(readable.empty());
  EXPECT_EQ(writable, std::vector<Socket*>{c.client.get()});

  ASSERT_EQ(c.peer->write(std::string_view("x")), 1);
  readiness = c.client->pollReadiness(false, 5000);
  EXPECT_TRUE(readiness.readable);
  EXPECT_EQ(Socket::waitForReadable({c.listener.get(), c.client.get()}, 5000, false),
            std::vector<Socket*>{c.client.get()});
  std::uint8_t one = 0;
  EXPECT_EQ(c.client->read(&one, 1), 1);

  EXPECT_EQ(c.client->write(std::string_view("hello world")), 11);
  awaitReadable(*c.peer);
  std::vector<std::uint8_t> received{'>'};
  EXPECT_EQ(c.peer->read(received), 11);
  EXPECT_EQ(std::string(received.begin(), received.end()), ">hello world");

  EXPECT_EQ(c.peer->write(std::vector<std::uint8_t>{'o', 'k'}), 2);
  awaitReadable(*c.client);
  EXPECT_EQ(c.client->readString(), "ok");

  // The peer goes away: the text read fails and the connection is marked closed.
  c.peer->close();
  awaitReadable(*c.client);
  expectSocketError([&] { c.client->readString(); }, Socket::errInternal, reason::dataNotText);
  EXPECT_TRUE(c.client->remoteConnectionClosed());
}

TEST(SocketStreamTest, RawReadsServeWaitingBytes) {
  Connection c;
  std::vector<std::uint8_t> hundred(100);
  for (std::size_t i = 0; i < hundred.size(); ++i) hundred[i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(c.peer->write(hundred), 100);
  awaitReadable(*c.client);
  std::uint8_t buffer[100] = {};
  try {
    c.client->read(buffer, 40, false);
    ADD_FAILURE() << "no error";
  } catch (const Socket::Error& error) {
    EXPECT_EQ(error.errorCode(), Socket::errBufferTooSmall);
    EXPECT_EQ(error.errorReason(), reason::bufferTooSmall);
    EXPECT_EQ(error.bufferSizeNeeded(), 100);
  }
  EXPECT_EQ(c.client->read(buffer, 40, true), 40);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(c.client->read(buffer, 40, true), 40);
  EXPECT_EQ(buffer[0], 40);
  EXPECT_EQ(c.client->read(buffer, 40, true), 20);
  EXPECT_EQ(buffer[19], 99);
  EXPECT_TRUE(c.client->readStorage().empty());

  // Non-blocking with nothing waiting: nothing, at once.
  c.client->setBlocking(false);
  std::vector<std::uint8_t> none;
  EXPECT_EQ(c.client->read(none), 0);
  EXPECT_EQ(c.client->read(buffer, sizeof buffer), 0);
}

TEST(SocketStreamTest, FullBufferReadDoesNotWaitForMore) {
  Connection c;
  const std::vector<std::uint8_t> exact(c.client->readBufferSize(), 7);
  ASSERT_EQ(c.peer->write(exact), static_cast<std::int64_t>(exact.size()));
  c.client->setReadTimeout(3000);
  // Wait until every byte is there so that one receive fills the whole buffer.
  for (int i = 0; i < 100; ++i) {
    int waiting = 0;
    ::ioctl(c.client->socketfd(), FIONREAD, &waiting);
    if (waiting == static_cast<int>(exact.size())) break;
    std::this_thread::sleep_for(5ms);
  }
  const auto start = Clock::now();
  std::vector<std::uint8_t> received;
  EXPECT_EQ(c.client->read(received), static_cast<std::int64_t>(exact.size()));
  EXPECT_LT(Clock::now() - start, 1s);
}

TEST(SocketStreamTest, StreamArgumentChecks) {
  Connection c;
  auto fresh = tcpSocket();
  auto udp = net::testing::boundUdpSocket();
  const struct {
    std::function<void()> call;
    std::int32_t code;
    std::string_view reason;
  } cases[] = {
      {[&] { fresh->connect("127.0.0.1", 0); }, Socket::errInvalidPort, reason::invalidPort},
      {[&] { fresh->connect("127.0.0.1", 65536); }, Socket::errInvalidPort, reason::invalidPort},
      {[&] { fresh->connect("127.0.0.1", -1); }, Socket::errInvalidPort, reason::invalidPort},
      {[&] { fresh->connect("", 80); }, Socket::errInvalidHostname, reason::invalidHostname},
      {[&] { c.client->connect("127.0.0.1", 80); }, Socket::errAlreadyConnected, reason::alreadyConnected},
      {[&] { fresh->connectToPath("/x"); }, Socket::errWrongProtocol, reason::mustBeUnix},
      {[&] { fresh->connect(Socket::Signature{}); }, Socket::errConnectionDataUnavailable,
       reason::connectionDataUnavailable},
      {[&] { fresh->listenOnPath("/x"); }, Socket::errWrongProtocol, reason::mustBeAUnix},
      {[&] { fresh->write(std::string_view()); }, Socket::errInvalidBuffer, reason::bufferNotValid},
      {[&] { fresh->write(std::string_view("x")); }, Socket::errNotConnected, reason::theSocketNotConnected},
      {[&] { fresh->readString(); }, Socket::errNotConnected, reason::socketNotConnected},
      {[&] { fresh->pollReadiness(false, 0); }, Socket::errNotConnected, reason::theSocketNotConnected},
      {[&] { udp->acceptClient(); }, Socket::errNotListening, reason::theSocketNotListening},
      {[&] { udp->acceptInPlace(); }, Socket::errNotListening, reason::socketNotListening},
      {[&] { c.listener->invokeAcceptDelegate(*c.peer); }, Socket::errNoDelegateAcceptNeeded,
       reason::noDelegateAcceptNeeded},
      {[&] { Socket::adopt(3, std::nullopt); }, Socket::errConnectionDataUnavailable,
       reason::socketConnectionDataUnavailable},
  };
  for (const auto& check : cases) expectSocketError(check.call, check.code, check.reason);

  fresh->setBlocking(false);
  expectSocketError([&] { fresh->connect("127.0.0.1", 80); }, Socket::errTimeoutNotSet, reason::timeoutNotSet);
  fresh->close();
  EXPECT_EQ(fresh->write(std::vector<std::uint8_t>{}), 0);  // empty data never looks at the socket
  expectSocketError([&] { fresh->connect("127.0.0.1", 80); }, Socket::errInvalidDescriptor,
                    reason::socketInvalidDescriptor);
  expectSocketError([&] { fresh->acceptClient(); }, Socket::errInvalidDescriptor, reason::theSocketInvalidDescriptor);
  expectSocketError([&] { fresh->listen(0); }, Socket::errInvalidDescriptor, reason::socketInvalidDescriptor);
}

TEST(SocketStreamTest, AcceptInPlaceTurnsTheListenerIntoTheConnection) {
  auto listener = tcpListener();
  auto client = tcpSocket();
  client->connect("127.0.0.1", listener->listeningPort());
  listener->acceptInPlace();
  EXPECT_TRUE(listener->isConnected());
  EXPECT_FALSE(listener->isListening());
  EXPECT_EQ(listener->remoteHostname(), "127.0.0.1");
  expectSocketError([&] { listener->acceptInPlace(); }, Socket::errAlreadyConnected);
  ASSERT_EQ(client->write(std::string_view("in place")), 8);
  awaitReadable(*listener);
  EXPECT_EQ(listener->readString(), "in place");
}

// A security layer that counts its calls and answers from a script: each scripted error is
// thrown in turn, then bytes flow.
class ScriptedDelegate : public SSLServiceDelegate {
 public:
  int prepared = 0;
  int handshakes = 0;
  std::vector<SSLError> script;
  void prepare(bool) override { ++prepared; }
  void teardown() override {}
  void acceptHandshake(Socket&) override {
    next();
    ++handshakes;
  }
  void connectHandshake(Socket&) override {}
  std::int64_t sendSecure(const std::uint8_t*, std::size_t count) override {
    next();
    return static_cast<std::int64_t>(count);
  }
  std::int64_t receiveSecure(std::uint8_t* buffer, std::size_t) override {
    next();
    buffer[0] = 's';
    return 1;
  }

 private:
  void next() {
    if (script.empty()) return;
    const SSLError error = script.front();
    script.erase(script.begin());
    throw error;
  }
};

TEST(SocketStreamTest, DelegateAcceptStepRunsOnce) {
  auto delegate = std::make_shared<ScriptedDelegate>();
  auto listener = tcpSocket();
  listener->setDelegate(delegate);
  EXPECT_EQ(listener->readBufferSize(), Socket::secureReadBufferSize);
  listener->listen(0, 5, true, std::string("127.0.0.1"));
  EXPECT_EQ(delegate->prepared, 1);
  EXPECT_TRUE(listener->isSecure());

  auto first = tcpSocket();
  first->connect("127.0.0.1", listener->listeningPort());
  auto accepted = listener->acceptClient(false);
  EXPECT_TRUE(accepted->needsAcceptDelegateCall());
  listener->invokeAcceptDelegate(*accepted);
  EXPECT_EQ(delegate->handshakes, 1);
  EXPECT_TRUE(accepted->isSecure());
  expectSocketError([&] { listener->invokeAcceptDelegate(*accepted); }, Socket::errNoDelegateAcceptNeeded);

  delegate->script = {SSLError::retryNeeded()};
  auto second = tcpSocket();
  second->connect("127.0.0.1", listener->listeningPort());
  expectSocketError([&] { listener->acceptClient(true); }, -1, "Retry operation");
}

TEST(SocketStreamTest, SecureReadsAndWritesFollowTheLayer) {
  Connection c;
  auto delegate = std::make_shared<ScriptedDelegate>();
  c.client->setDelegate(delegate);
  ASSERT_EQ(c.peer->write(std::string_view("x")), 1);  // readable, for the retry wait
  delegate->script = {SSLError::success(), SSLError::retryNeeded()};
  std::vector<std::uint8_t> received;
  EXPECT_EQ(c.client->read(received), 1);
  EXPECT_EQ(received, std::vector<std::uint8_t>{'s'});
  delegate->script = {SSLError::retryNeeded(), SSLError::success()};
  EXPECT_EQ(c.client->write(std::string_view("abc")), 3);
  delegate->script = {SSLError::fail(-7, "layer broke")};
  expectSocketError([&] { c.client->write(std::string_view("abc")); }, -7, "layer broke");
  delegate->script = {SSLError::fail(-8, "no read")};
  expectSocketError([&] { c.client->read(received); }, -8, "no read");
}

TEST(SocketStreamTest, ConnectTimesOutAgainstAFullBacklog) {
  // Loopback refuses a closed port at once; a listener whose accept queue is full just drops
  // the connection request, which is what a peer that never answers looks like.
  auto listener = tcpListener(0);
  const std::int32_t port = listener->listeningPort();
  std::vector<std::unique_ptr<Socket>> queued;
  bool timedOut = false;
  for (int attempt = 0; attempt < 8 && !timedOut; ++attempt) {
    auto client = tcpSocket();
    const int before = client->socketfd();
    const auto start = Clock::now();
    try {
      client->connect("127.0.0.1", port, 200);
      EXPECT_EQ(::fcntl(client->socketfd(), F_GETFL) & O_NONBLOCK, 0);  // blocking again
      queued.push_back(std::move(client));
    } catch (const Socket::Error& error) {
      ASSERT_EQ(error.errorCode(), Socket::errConnectTimeout) << error.description();
      const auto elapsed = Clock::now() - start;
      EXPECT_GE(elapsed, 150ms);
      EXPECT_LT(elapsed, 5s);
      EXPECT_EQ(client->socketfd(), before);  // keeps its own descriptor
      EXPECT_FALSE(client->isConnected());
      timedOut = true;
    }
  }
  EXPECT_TRUE(timedOut);
}

TEST(SocketStreamTest, RefusedConnectionsAreReported) {
  auto closed = tcpListener();
  const std::int32_t port = closed->listeningPort();
  closed->close();
  for (const std::uint64_t timeout : {0u, 500u}) {
    auto client = tcpSocket();
    expectSocketError([&] { client->connect("127.0.0.1", port, timeout); }, Socket::errAddressLookupFailed,
                      net::systemErrorText(ECONNREFUSED));
  }
  auto client = tcpSocket();
  expectSocketError([&] { client->connect("no such host", 80); }, Socket::errAddressLookupFailed);
}

TEST(SocketStreamTest, ConnectBySignatureAndAdopt) {
  auto listener = tcpListener();
  const auto address = *Socket::resolveAddress("127.0.0.1", listener->listeningPort());
  auto client = Socket::createConnected(
      Socket::Signature::withAddress(SocketType::stream, SocketProtocol::tcp, address, std::nullopt, std::nullopt));
  EXPECT_TRUE(client->isConnected());
  EXPECT_EQ(client->remoteHostname(), "127.0.0.1");
  EXPECT_EQ(client->remotePort(), listener->listeningPort());

  auto byName = Socket::createConnected(Socket::Signature::withHost(
      ProtocolFamily::inet, SocketType::stream, SocketProtocol::tcp, "localhost", listener->listeningPort()));
  EXPECT_EQ(byName->remoteHostname(), "localhost");  // as the caller wrote it

  auto adopted = Socket::adopt(::dup(client->socketfd()), address);
  EXPECT_TRUE(adopted->isConnected());
  EXPECT_EQ(adopted->remotePort(), listener->listeningPort());
  auto peer = listener->acceptClient();
  ASSERT_EQ(adopted->write(std::string_view("via copy")), 8);
  awaitReadable(*peer);
  EXPECT_EQ(peer->readString(), "via copy");
}

TEST(SocketStreamTest, IPv6ListenerIsIPv6Only) {
  auto listener = tcpSocket(ProtocolFamily::inet6);
  try {
    // The wildcard: binding one IPv6 address makes any socket IPv6-only by itself.
    listener->listen(0, 5, true);
  } catch (const Socket::Error& error) {
    GTEST_SKIP() << "no IPv6 loopback here: " << error.description();
  }
  int only = 0;
  socklen_t length = sizeof only;
  ASSERT_EQ(getsockopt(listener->socketfd(), IPPROTO_IPV6, IPV6_V6ONLY, &only, &length), 0);
  EXPECT_EQ(only, 1);
  auto client = tcpSocket(ProtocolFamily::inet6);
  if (!Socket::resolveAddress("::1", 1)) GTEST_SKIP() << "no IPv6 loopback here";
  client->connect("::1", listener->listeningPort(), 0, true);
  EXPECT_EQ(client->signature()->address->kind(), Socket::Address::Kind::ipv6);
  auto peer = listener->acceptClient();
  EXPECT_EQ(peer->remoteHostname(), "::1");

  auto udp6 = Socket::create(ProtocolFamily::inet6, SocketType::datagram, SocketProtocol::udp);
  udp6->listen(0, 5, true);
  ASSERT_EQ(getsockopt(udp6->socketfd(), IPPROTO_IPV6, IPV6_V6ONLY, &only, &length), 0);
  EXPECT_EQ(only, 0);
  auto sender = Socket::create(ProtocolFamily::inet6, SocketType::datagram, SocketProtocol::udp);
  ASSERT_EQ(sender->write(std::string_view("six"), *Socket::resolveAddress("::1", udp6->boundPort())), 3);
  std::vector<std::uint8_t> received;
  const auto result = udp6->readDatagram(received);
  EXPECT_EQ(result.count, 3);
  EXPECT_EQ(Socket::hostAndPort(*result.address)->host, "::1");
}

// Signals without SA_RESTART interrupt blocking calls with EINTR; those calls must carry on.
std::atomic<int> signalsSeen{0};
void countSignal(int) { signalsSeen.fetch_add(1); }

TEST(SocketStreamTest, InterruptedCallsAreRepeated) {
  struct sigaction action {};
  action.sa_handler = countSignal;
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  auto listener = tcpListener();
  auto udp = net::testing::boundUdpSocket();
  std::unique_ptr<Socket> accepted;
  Socket::DatagramResult datagram;
  std::atomic<bool> running{true};
  std::thread acceptor([&] { accepted = listener->acceptClient(); });
  std::thread reader([&] {
    std::vector<std::uint8_t> received;
    datagram = udp->readDatagram(received);
  });
  std::thread poker([&] {
    while (running) {
      pthread_kill(acceptor.native_handle(), SIGUSR1);
      pthread_kill(reader.native_handle(), SIGUSR1);
      std::this_thread::sleep_for(10ms);
    }
  });
  std::this_thread::sleep_for(60ms);
  auto client = tcpSocket();
  client->connect("127.0.0.1", listener->listeningPort());
  auto sender = Socket::create(ProtocolFamily::inet, SocketType::datagram, SocketProtocol::udp);
  sender->write(std::string_view("late"), net::testing::loopbackAddress(udp->boundPort()));
  running = false;
  poker.join();
  acceptor.join();
  reader.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_GT(signalsSeen.load(), 0);
  ASSERT_TRUE(accepted);
  EXPECT_TRUE(accepted->isConnected());
  EXPECT_EQ(datagram.count, 4);
}

}  // namespace
}  // namespace net
