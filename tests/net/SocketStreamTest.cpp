// Stream sockets, TCP over IPv4 and IPv6 and local paths: listening, accepting, connecting (with
// time-out), reads and writes, waking blocked accepts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "net/Socket.h"
#include "tests/net/SocketTestSupport.h"

namespace net {
namespace {

using namespace std::chrono_literals;
using namespace net::testing;

TEST(SocketStreamTest, ConnectAcceptAndExchange) {
  Connection c;
  EXPECT_TRUE(c.client->isConnected());
  EXPECT_EQ(c.client->remotePort(), c.listener->listeningPort());
  EXPECT_EQ(c.peer->remoteHostname(), "127.0.0.1");
  EXPECT_TRUE(c.listener->isListening());  // keeps listening

  const auto readiness = c.client->pollReadiness(false, 0);
  EXPECT_TRUE(!readiness.readable && readiness.writable);
  const auto [readable, writable] = Socket::partitionByReadiness({c.client.get(), c.listener.get()});
  EXPECT_TRUE(readable.empty());
  EXPECT_EQ(writable, std::vector<Socket*>{c.client.get()});

  ASSERT_EQ(c.peer->write(std::string_view("x")), 1);
  EXPECT_TRUE(c.client->pollReadiness(false, 5000).readable);
  EXPECT_EQ(Socket::waitForReadable({c.listener.get(), c.client.get()}, 5000, false),
            std::vector<Socket*>{c.client.get()});
  std::uint8_t one = 0;
  EXPECT_EQ(c.client->read(&one, 1), 1);

  EXPECT_EQ(c.client->write(std::string_view("hello world")), 11);
  awaitReadable(*c.peer);
  std::vector<std::uint8_t> received = bytes(">");
  EXPECT_EQ(c.peer->read(received), 11);
  EXPECT_EQ(received, bytes(">hello world"));  // appended
  EXPECT_EQ(c.peer->write(bytes("ok")), 2);
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
  const auto error = expectSocketError([&] { c.client->read(buffer, 40, false); }, Socket::errBufferTooSmall,
                                       reason::bufferTooSmall);
  EXPECT_EQ(error ? error->bufferSizeNeeded() : -1, 100);
  for (const auto& [count, first] : {std::pair{40, 0}, {40, 40}, {20, 80}}) {
    EXPECT_EQ(c.client->read(buffer, 40, true), count);
    EXPECT_EQ(buffer[0], first);
  }
  EXPECT_TRUE(c.client->readStorage().empty());

  // Non-blocking with nothing waiting: nothing, at once.
  c.client->setBlocking(false);
  std::vector<std::uint8_t> none;
  EXPECT_EQ(c.client->read(none), 0);
  EXPECT_EQ(c.client->read(buffer, sizeof buffer), 0);

  // A read that fills the whole buffer does not wait for more.
  c.client->setBlocking(true);
  c.client->setReadTimeout(3000);
  const std::vector<std::uint8_t> exact(c.client->readBufferSize(), 7);
  ASSERT_EQ(c.peer->write(exact), static_cast<std::int64_t>(exact.size()));
  int waiting = 0;  // until every byte is there, so that one receive fills the buffer
  for (int i = 0; i < 100 && waiting != static_cast<int>(exact.size()); ++i) {
    std::this_thread::sleep_for(5ms);
    ::ioctl(c.client->socketfd(), FIONREAD, &waiting);
  }
  const auto start = Clock::now();
  EXPECT_EQ(c.client->read(none), static_cast<std::int64_t>(exact.size()));
  EXPECT_LT(Clock::now() - start, 1s);
}

// A security layer that counts its calls and throws each scripted error in turn before bytes flow.
struct ScriptedDelegate : SSLServiceDelegate {
  int prepared = 0;
  int handshakes = 0;
  std::vector<SSLError> script;
  void next() {
    if (script.empty()) return;
    const SSLError error = script.front();
    script.erase(script.begin());
    throw error;
  }
  void prepare(bool) override { ++prepared; }
  void teardown() override {}
  void acceptHandshake(Socket&) override { next(), ++handshakes; }
  void connectHandshake(Socket&) override {}
  std::int64_t sendSecure(const std::uint8_t*, std::size_t count) override { return next(), std::int64_t(count); }
  std::int64_t receiveSecure(std::uint8_t* buffer, std::size_t) override { return next(), *buffer = 's', 1; }
};

TEST(SocketStreamTest, SecurityLayerHandshakesReadsAndWrites) {
  auto delegate = std::make_shared<ScriptedDelegate>();
  auto listener = tcpSocket();
  listener->setDelegate(delegate);
  EXPECT_EQ(listener->readBufferSize(), Socket::secureReadBufferSize);
  listener->listen(0, 5, true, std::string("127.0.0.1"));
  EXPECT_EQ(delegate->prepared, 1);
  EXPECT_TRUE(listener->isSecure());

  // The accept step runs once, now or later.
  auto client = tcpSocket();
  client->connect("127.0.0.1", listener->listeningPort());
  auto accepted = listener->acceptClient(false);
  EXPECT_TRUE(accepted->needsAcceptDelegateCall());
  listener->invokeAcceptDelegate(*accepted);
  EXPECT_EQ(delegate->handshakes, 1);
  EXPECT_TRUE(accepted->isSecure());
  expectSocketError([&] { listener->invokeAcceptDelegate(*accepted); }, Socket::errNoDelegateAcceptNeeded,
                    reason::noDelegateAcceptNeeded);
  delegate->script = {SSLError::retryNeeded()};
  tcpSocket()->connect("127.0.0.1", listener->listeningPort());
  expectSocketError([&] { listener->acceptClient(true); }, -1, "Retry operation");

  // Reads and writes go through the layer: success repeats at once, retry after a wait.
  client->setDelegate(delegate);
  ASSERT_EQ(accepted->write(std::string_view("x")), 1);  // readable, for the retry wait
  delegate->script = {SSLError::success(), SSLError::retryNeeded()};
  std::vector<std::uint8_t> received;
  EXPECT_EQ(client->read(received), 1);
  EXPECT_EQ(received, bytes("s"));
  delegate->script = {SSLError::retryNeeded(), SSLError::success()};
  EXPECT_EQ(client->write(std::string_view("abc")), 3);
  delegate->script = {SSLError::fail(-7, "layer broke")};
  expectSocketError([&] { client->write(std::string_view("abc")); }, -7, "layer broke");
  delegate->script = {SSLError::fail(-8, "no read")};
  expectSocketError([&] { client->read(received); }, -8, "no read");
}

TEST(SocketStreamTest, ConnectTimesOutAgainstAFullBacklog) {
  // Loopback refuses a closed port at once; a listener whose accept queue is full just drops
  // the connection request, which is what a peer that never answers looks like.
  auto listener = tcpListener(0);
  std::vector<std::unique_ptr<Socket>> queued;
  bool timedOut = false;
  for (int attempt = 0; attempt < 8 && !timedOut; ++attempt) {
    auto client = tcpSocket();
    const int before = client->socketfd();
    const auto start = Clock::now();
    try {
      client->connect("127.0.0.1", listener->listeningPort(), 200);
      EXPECT_EQ(::fcntl(client->socketfd(), F_GETFL) & O_NONBLOCK, 0);  // blocking again
      queued.push_back(std::move(client));
    } catch (const Socket::Error& error) {
      ASSERT_EQ(error.errorCode(), Socket::errConnectTimeout) << error.description();
      EXPECT_GE(Clock::now() - start, 150ms);
      EXPECT_LT(Clock::now() - start, 5s);
      EXPECT_EQ(client->socketfd(), before);  // keeps its own descriptor
      EXPECT_FALSE(client->isConnected());
      timedOut = true;
    }
  }
  EXPECT_TRUE(timedOut);
}

TEST(SocketStreamTest, ConnectBySignatureAdoptAndAcceptInPlace) {
  auto listener = tcpListener();
  const std::int32_t port = listener->listeningPort();
  const auto address = loopbackAddress(port);
  auto client = Socket::createConnected(
      Socket::Signature::withAddress(SocketType::stream, SocketProtocol::tcp, address, std::nullopt, std::nullopt));
  EXPECT_EQ(client->remoteHostname(), "127.0.0.1");
  auto byName = Socket::createConnected(
      Socket::Signature::withHost(ProtocolFamily::inet, SocketType::stream, SocketProtocol::tcp, "localhost", port));
  EXPECT_EQ(byName->remoteHostname(), "localhost");  // as the caller wrote it

  auto adopted = Socket::adopt(::dup(client->socketfd()), address);
  EXPECT_TRUE(adopted->isConnected());
  EXPECT_EQ(adopted->remotePort(), port);
  auto peer = listener->acceptClient();
  ASSERT_EQ(adopted->write(std::string_view("via copy")), 8);
  awaitReadable(*peer);
  EXPECT_EQ(peer->readString(), "via copy");

  // Accepting in place turns the listener into the connection.
  listener->acceptInPlace();
  EXPECT_TRUE(listener->isConnected() && !listener->isListening());
  EXPECT_EQ(listener->remoteHostname(), "127.0.0.1");
  expectSocketError([&] { listener->acceptInPlace(); }, Socket::errAlreadyConnected, reason::alreadyConnected);
  ASSERT_EQ(byName->write(std::string_view("in place")), 8);
  awaitReadable(*listener);
  EXPECT_EQ(listener->readString(), "in place");
}

TEST(SocketStreamTest, IPv6ListenerIsIPv6Only) {
  auto listener = tcpSocket(ProtocolFamily::inet6);
  try {
    listener->listen(0, 5, true);  // the wildcard: one bound IPv6 address would be IPv6-only anyway
  } catch (const Socket::Error& error) {
    GTEST_SKIP() << "no IPv6 loopback here: " << error.description();
  }
  if (!Socket::resolveAddress("::1", 1)) GTEST_SKIP() << "no IPv6 loopback here";
  const auto v6only = [](Socket& socket) {
    int only = -1;
    socklen_t length = sizeof only;
    EXPECT_EQ(getsockopt(socket.socketfd(), IPPROTO_IPV6, IPV6_V6ONLY, &only, &length), 0);
    return only;
  };
  EXPECT_EQ(v6only(*listener), 1);
  auto client = tcpSocket(ProtocolFamily::inet6);
  client->connect("::1", listener->listeningPort(), 0, true);
  EXPECT_EQ(client->signature()->address->kind(), Socket::Address::Kind::ipv6);
  EXPECT_EQ(listener->acceptClient()->remoteHostname(), "::1");

  auto udp6 = Socket::create(ProtocolFamily::inet6, SocketType::datagram, SocketProtocol::udp);
  udp6->listen(0, 5, true);
  EXPECT_EQ(v6only(*udp6), 0);
  auto sender = Socket::create(ProtocolFamily::inet6, SocketType::datagram, SocketProtocol::udp);
  ASSERT_EQ(sender->write(std::string_view("six"), *Socket::resolveAddress("::1", udp6->boundPort())), 3);
  std::vector<std::uint8_t> received;
  const auto result = udp6->readDatagram(received);
  EXPECT_EQ(result.count, 3);
  EXPECT_EQ(Socket::hostAndPort(*result.address)->host, "::1");
}

// Signals without SA_RESTART interrupt blocking calls with EINTR; those calls must carry on, and
// a timed wait keeps its time.
std::atomic<int> signalsSeen{0};
void countSignal(int) { signalsSeen.fetch_add(1); }

TEST(SocketStreamTest, InterruptedCallsAreRepeated) {
  struct sigaction action {};
  action.sa_handler = countSignal;
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  auto listener = tcpListener();
  auto udp = boundUdpSocket();
  auto idle = boundUdpSocket();
  std::unique_ptr<Socket> accepted;
  Socket::DatagramResult datagram;
  std::optional<std::vector<Socket*>> waited{std::vector<Socket*>{}};
  std::atomic<bool> running{true};
  const auto start = Clock::now();
  std::thread acceptor([&] { accepted = listener->acceptClient(); });
  std::thread reader([&] {
    std::vector<std::uint8_t> received;
    datagram = udp->readDatagram(received);
  });
  std::thread waiter([&] {
    try {
      waited = Socket::waitForReadable({idle.get()}, 300, false);
    } catch (const SocketError& error) {
      ADD_FAILURE() << error.description();
    }
  });
  std::thread poker([&] {
    for (; running; std::this_thread::sleep_for(10ms)) {
      for (std::thread* target : {&acceptor, &reader, &waiter}) pthread_kill(target->native_handle(), SIGUSR1);
    }
  });
  std::this_thread::sleep_for(100ms);
  auto client = tcpSocket();
  client->connect("127.0.0.1", listener->listeningPort());
  udpSocket()->write(std::string_view("late"), loopbackAddress(udp->boundPort()));
  running = false;
  poker.join();
  acceptor.join();
  reader.join();
  waiter.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_GT(signalsSeen.load(), 0);
  ASSERT_TRUE(accepted);
  EXPECT_TRUE(accepted->isConnected());
  EXPECT_EQ(datagram.count, 4);
  EXPECT_FALSE(waited);  // timed out, not failed
  EXPECT_GE(Clock::now() - start, 290ms);
}

// Local (path) sockets in a private temporary folder.
std::unique_ptr<Socket> localStream() {
  return Socket::create(ProtocolFamily::unix_, SocketType::stream, SocketProtocol::unix_);
}

class SocketLocalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velto-net-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
  std::string path(const char* name) { return (folder_ / name).string(); }
};

TEST_F(SocketLocalTest, ListenConnectAcceptAndExchange) {
  const std::string where = path("socket");
  auto listener = localStream();
  listener->listenOnPath(where);
  EXPECT_TRUE(listener->isListening() && listener->signature()->isBound);
  auto client = localStream();
  client->connectToPath(where);
  EXPECT_EQ(client->remotePath(), where);
  auto peer = listener->acceptClient();
  EXPECT_EQ(peer->remotePath(), where);

  ASSERT_EQ(client->write(std::string_view("over a path")), 11);
  awaitReadable(*peer);
  EXPECT_EQ(peer->readString(), "over a path");
  expectSocketError([&] { client->connectToPath(where); }, Socket::errAlreadyConnected, reason::alreadyConnected);
  const auto signature = Socket::Signature::withPath(SocketType::stream, SocketProtocol::unix_, where);
  EXPECT_TRUE(Socket::createConnected(signature)->isConnected());
}

TEST_F(SocketLocalTest, PathsAndFailures) {
  // A stale socket file is replaced; any other file is kept.
  auto first = localStream();
  first->listenOnPath(path("socket"));
  first->close();
  ASSERT_TRUE(std::filesystem::exists(path("socket")));
  EXPECT_NO_THROW(localStream()->listenOnPath(path("socket")));
  std::ofstream(path("notes")) << "keep me";
  expectSocketError([&] { localStream()->listenOnPath(path("notes")); }, Socket::errListenFailed);
  EXPECT_TRUE(std::filesystem::is_regular_file(path("notes")));

  auto client = localStream();
  expectSocketError([&] { client->connectToPath(path("absent")); }, Socket::errConnectFailed,
                    net::systemErrorText(ENOENT));
  EXPECT_EQ(client->remotePath(), path("absent"));  // replaced before connecting
  expectSocketError([&] { client->connectToPath(std::string(200, 'x')); }, Socket::errInvalidSignature,
                    reason::pathnameTooLong);
  auto datagram = Socket::create(ProtocolFamily::unix_, SocketType::datagram, SocketProtocol::unix_);
  EXPECT_NO_THROW(datagram->setBroadcast(true));  // a local datagram socket passes the check

  // The longest path fits with its terminator.
  const std::string longest(107, 'p');
  const auto local = SocketSignature::withPath(SocketType::stream, SocketProtocol::unix_, longest);
  EXPECT_EQ(local.protocolFamily, ProtocolFamily::unix_);
  ASSERT_TRUE(local.address);
  EXPECT_EQ(local.address->size(), sizeof(sockaddr_un));
  EXPECT_EQ(std::string(local.address->asUnix()->sun_path), longest);
  const auto [address, length] = local.makeUnixAddress();
  EXPECT_EQ(address.sun_family, AF_UNIX);
  EXPECT_EQ(length, offsetof(sockaddr_un, sun_path) + longest.size() + 1);
}

TEST_F(SocketLocalTest, WakeUpReleasesBlockedAccepts) {
  auto local = localStream();
  local->listenOnPath(path("socket"));
  auto tcp = tcpListener();
  for (Socket* listener : {local.get(), tcp.get()}) {
    std::optional<std::int32_t> code;
    std::thread acceptor([&] {
      try {
        listener->acceptClient();
      } catch (const Socket::Error& error) {
        code = error.errorCode();
      }
    });
    std::this_thread::sleep_for(30ms);
    listener->wakeUp();
    acceptor.join();
    EXPECT_EQ(code, Socket::errAcceptFailed);
    listener->close();
  }
}

}  // namespace
}  // namespace net
