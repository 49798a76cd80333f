#pragma once
// Shared checks for the socket tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/Socket.h"

namespace net::testing {

// Runs `call` and checks that it throws a SocketError with `code` and, when given, `reason`.
template <typename Call>
void expectSocketError(Call&& call, std::int32_t code, std::optional<std::string_view> reason = std::nullopt) {
  try {
    call();
    ADD_FAILURE() << "no error thrown, expected code " << code;
  } catch (const SocketError& error) {
    EXPECT_EQ(error.errorCode(), code) << error.description();
    if (reason) {
      EXPECT_EQ(error.errorReason().value_or("<none>"), *reason);
    }
  }
}

inline std::unique_ptr<Socket> boundUdpSocket() {
  auto socket = Socket::create(ProtocolFamily::inet, SocketType::datagram, SocketProtocol::udp);
  socket->listen(0, 1024, true, std::string("127.0.0.1"));
  return socket;
}

inline Socket::Address loopbackAddress(std::int32_t port) { return *Socket::resolveAddress("127.0.0.1", port); }

}  // namespace net::testing
