// Local (path) sockets in a private temporary folder, and waking blocked accepts.
#include <gtest/gtest.h>
#include <unistd.h>

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
using net::testing::expectSocketError;

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
  net::testing::awaitReadable(*peer);
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
  auto tcp = net::testing::tcpListener();
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
