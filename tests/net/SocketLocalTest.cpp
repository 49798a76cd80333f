// Local (path) sockets in a private temporary folder, and waking blocked accepts.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    path_ = (folder_ / "socket").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path folder_;
  std::string path_;
};

TEST_F(SocketLocalTest, ListenConnectAcceptAndExchange) {
  auto listener = localStream();
  listener->listenOnPath(path_);
  EXPECT_TRUE(listener->isListening());
  EXPECT_TRUE(listener->signature()->isBound);
  EXPECT_EQ(listener->remotePath(), path_);

  auto client = localStream();
  client->connectToPath(path_);
  EXPECT_TRUE(client->isConnected());
  EXPECT_EQ(client->remotePath(), path_);
  auto peer = listener->acceptClient();
  EXPECT_EQ(peer->remotePath(), path_);
  EXPECT_EQ(peer->signature()->protocolFamily, ProtocolFamily::unix_);

  ASSERT_EQ(client->write(std::string_view("over a path")), 11);
  ASSERT_TRUE(peer->pollReadiness(false, 5000).readable);
  EXPECT_EQ(peer->readString(), "over a path");
  expectSocketError([&] { client->connectToPath(path_); }, Socket::errAlreadyConnected, reason::alreadyConnected);

  auto bySignature =
      Socket::createConnected(Socket::Signature::withPath(SocketType::stream, SocketProtocol::unix_, path_));
  EXPECT_TRUE(bySignature->isConnected());
}

TEST_F(SocketLocalTest, StaleSocketFilesAreReplacedOtherFilesKept) {
  auto first = localStream();
  first->listenOnPath(path_);
  first->close();
  ASSERT_TRUE(std::filesystem::exists(path_));
  auto second = localStream();
  EXPECT_NO_THROW(second->listenOnPath(path_));

  const std::string regular = (folder_ / "notes").string();
  std::ofstream(regular) << "keep me";
  auto third = localStream();
  expectSocketError([&] { third->listenOnPath(regular); }, Socket::errListenFailed);
  EXPECT_TRUE(std::filesystem::is_regular_file(regular));
}

TEST_F(SocketLocalTest, PathFailures) {
  auto client = localStream();
  expectSocketError([&] { client->connectToPath((folder_ / "absent").string()); }, Socket::errConnectFailed,
                    net::systemErrorText(ENOENT));
  EXPECT_EQ(client->remotePath(), (folder_ / "absent").string());  // replaced before connecting
  expectSocketError([&] { client->connectToPath(std::string(200, 'x')); }, Socket::errInvalidSignature,
                    reason::pathnameTooLong);

  auto datagram = Socket::create(ProtocolFamily::unix_, SocketType::datagram, SocketProtocol::unix_);
  EXPECT_NO_THROW(datagram->setBroadcast(true));  // a local datagram socket passes the check
}

TEST_F(SocketLocalTest, WakeUpReleasesBlockedAccepts) {
  auto local = localStream();
  local->listenOnPath(path_);
  auto tcp = Socket::create(ProtocolFamily::inet, SocketType::stream, SocketProtocol::tcp);
  tcp->listen(0, 5, true, std::string("127.0.0.1"));
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
