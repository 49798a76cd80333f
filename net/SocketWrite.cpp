// Socket: datagram and stream writes. Nothing is buffered; MSG_NOSIGNAL keeps a closed peer from
// raising SIGPIPE.
#include <sys/socket.h>

#include <cerrno>

#include "net/Socket.h"
#include "net/SocketSystem.h"

namespace net {

namespace {

const std::uint8_t* bytesOf(const void* buffer) { return static_cast<const std::uint8_t*>(buffer); }

}  // namespace

std::int64_t Socket::writeDatagram(const void* buffer, std::size_t count, const Address& address) {
  if (remoteConnectionClosed_) return 0;
  if (count == 0) detail::throwReason(errInvalidBuffer, reason::bufferNotValid);
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketNotValid);
  if (!signature_ || signature_->socketType != SocketType::datagram) detail::throwReason(errWrongProtocol, reason::notUdp);
  std::size_t sent = 0;
  while (sent < count) {
    const ssize_t n = ::sendto(socketfd_, bytesOf(buffer) + sent, count - sent, MSG_NOSIGNAL,
                               address.sockaddrPointer(), address.size());
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && !isBlocking_) break;
    if (errno == ECONNRESET) detail::throwSystemError(errConnectionReset);
    detail::throwSystemError(errWriteFailed);
  }
  return static_cast<std::int64_t>(sent);
}

std::int64_t Socket::write(const void* buffer, std::size_t count) {
  if (count == 0) detail::throwReason(errInvalidBuffer, reason::bufferNotValid);
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketNotValid);
  if (!isConnected_) detail::throwReason(errNotConnected, reason::theSocketNotConnected);
  std::size_t sent = 0;
  while (sent < count) {
    std::int64_t n = 0;
    if (delegate_) {
      n = detail::runSecure([&] { return delegate_->sendSecure(bytesOf(buffer) + sent, count - sent); },
                            [&] { detail::waitFor(socketfd_, detail::writableEvents); });
    } else {
      n = ::send(socketfd_, bytesOf(buffer) + sent, count - sent, MSG_NOSIGNAL);
    }
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (!delegate_ && errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && !isBlocking_) break;
    if (errno == ECONNRESET) {
      noteRemoteClosed();
      detail::throwSystemError(errConnectionReset);
    }
    detail::throwSystemError(errWriteFailed);
  }
  return static_cast<std::int64_t>(sent);
}

std::int64_t Socket::write(const std::vector<std::uint8_t>& data) {
  if (data.empty()) return 0;
  return write(data.data(), data.size());
}

std::int64_t Socket::write(std::string_view text) { return write(text.data(), text.size()); }

std::int64_t Socket::write(const void* buffer, std::size_t count, const Address& address) {
  return writeDatagram(buffer, count, address);
}

std::int64_t Socket::write(const std::vector<std::uint8_t>& data, const Address& address) {
  return writeDatagram(data.data(), data.size(), address);
}

std::int64_t Socket::write(std::string_view text, const Address& address) {
  return writeDatagram(text.data(), text.size(), address);
}

}  // namespace net
