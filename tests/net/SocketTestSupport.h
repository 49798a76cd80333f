#pragma once
// Shared sockets and checks for the socket tests.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/Socket.h"

namespace net::testing {

using Clock = std::chrono::steady_clock;

// Runs `call` and checks that it throws a SocketError with `code` and, when given, `reason`;
// gives the error for further checks.
template <typename Call>
std::optional<SocketError> expectSocketError(Call&& call, std::int32_t code,
                                             std::optional<std::string_view> reason = std::nullopt) {
  try {
    call();
    ADD_FAILURE() << "no error thrown, expected code " << code;
  } catch (const SocketError& error) {
    EXPECT_EQ(error.errorCode(), code) << error.description();
    if (reason) {
      EXPECT_EQ(error.errorReason().value_or("<none>"), *reason) << "code " << code;
    }
    return error;
  }
  return std::nullopt;
}

// One row of a table of calls that must fail.
struct ErrorCase {
  std::function<void()> call;
  std::int32_t code;
  std::optional<std::string_view> reason;
};

inline void expectSocketErrors(const std::vector<ErrorCase>& cases) {
  for (const auto& c : cases) expectSocketError(c.call, c.code, c.reason);
}

inline std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

inline std::unique_ptr<Socket> udpSocket() {
  return Socket::create(ProtocolFamily::inet, SocketType::datagram, SocketProtocol::udp);
}

inline std::unique_ptr<Socket> tcpSocket(ProtocolFamily family = ProtocolFamily::inet) {
  return Socket::create(family, SocketType::stream, SocketProtocol::tcp);
}

inline std::unique_ptr<Socket> boundUdpSocket() {
  auto socket = udpSocket();
  socket->listen(0, 1024, true, std::string("127.0.0.1"));
  return socket;
}

inline std::unique_ptr<Socket> tcpListener(std::int64_t backlog = 5) {
  auto listener = tcpSocket();
  listener->listen(0, backlog, true, std::string("127.0.0.1"));
  return listener;
}

inline Socket::Address loopbackAddress(std::int32_t port) { return *Socket::resolveAddress("127.0.0.1", port); }

// Waits (bounded) until `socket` has something to read.
inline void awaitReadable(Socket& socket) { ASSERT_TRUE(socket.pollReadiness(false, 5000).readable); }

// A TCP connection on 127.0.0.1: the listener, the connecting client and the accepted peer.
struct Connection {
  std::unique_ptr<Socket> listener = tcpListener();
  std::unique_ptr<Socket> client = tcpSocket();
  std::unique_ptr<Socket> peer;
  Connection() {
    client->connect("127.0.0.1", listener->listeningPort());
    peer = listener->acceptClient();
  }
};

}  // namespace net::testing
