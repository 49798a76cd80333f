// Socket: readiness (poll with select's meaning), blocking mode, time-outs and broadcast.
#include <poll.h>
#include <sys/socket.h>

#include "net/Socket.h"
#include "net/SocketSystem.h"

namespace net {

Socket::Readiness Socket::pollReadiness(bool waitForever, std::uint64_t timeout) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketNotValid);
  if (!isConnected_ && !isListening_) detail::throwReason(errNotConnected, reason::theSocketNotConnected);
  pollfd descriptor{socketfd_, POLLIN | POLLOUT, 0};
  if (detail::pollLikeSelect(&descriptor, 1, waitForever ? -1 : detail::toPollTimeout(timeout)) < 0) {
    detail::throwSystemError(errSelectFailed);
  }
  return {(descriptor.revents & detail::readableEvents) != 0, (descriptor.revents & detail::writableEvents) != 0};
}

void Socket::setBlocking(bool blocking) {
  detail::setNonBlocking(socketfd_, !blocking);
  isBlocking_ = blocking;
}

void Socket::setTimeout(std::uint64_t milliseconds, int option, std::int32_t errorCode) {
  const timeval value = detail::toTimeval(milliseconds);
  if (::setsockopt(socketfd_, SOL_SOCKET, option, &value, sizeof value) < 0) detail::throwSystemError(errorCode);
}

void Socket::setReadTimeout(std::uint64_t milliseconds) {
  setTimeout(milliseconds, SO_RCVTIMEO, errSetReadTimeoutFailed);
}

void Socket::setWriteTimeout(std::uint64_t milliseconds) {
  setTimeout(milliseconds, SO_SNDTIMEO, errSetWriteTimeoutFailed);
}

void Socket::setBroadcast(bool enable) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketNotValid);
  if (!signature_ || signature_->socketType != SocketType::datagram) detail::throwReason(errWrongProtocol, reason::notUdp);
  if (detail::setIntOption(socketfd_, SOL_SOCKET, SO_BROADCAST, enable ? 1 : 0) < 0) {
    detail::throwSystemError(errSetOptionFailed);
  }
}

}  // namespace net
