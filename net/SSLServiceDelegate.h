#pragma once
// Hooks of an optional security layer over a stream socket. The system ships no implementation;
// a Socket calls the hooks only when one is set. Each hook may throw SSLError, which the socket
// converts into a SocketError; other exceptions pass through unchanged. Called on the thread
// that runs the socket operation.

#include <cstddef>
#include <cstdint>

namespace net {

class Socket;

class SSLServiceDelegate {
 public:
  virtual ~SSLServiceDelegate() = default;

  // Before listening (true) or connecting (false).
  virtual void prepare(bool asServer) = 0;
  // When the socket is closed with security clean-up.
  virtual void teardown() = 0;
  virtual void acceptHandshake(Socket& socket) = 0;
  virtual void connectHandshake(Socket& socket) = 0;
  // Bytes sent / received; throws SSLError::success() to be called again at once and
  // SSLError::retryNeeded() to be called again once the socket is ready.
  virtual std::int64_t sendSecure(const std::uint8_t* buffer, std::size_t count) = 0;
  virtual std::int64_t receiveSecure(std::uint8_t* buffer, std::size_t count) = 0;
};

}  // namespace net
