// Socket: datagram and stream reads. Received bytes pass through readBuffer (one receive call)
// and readStorage (bytes not yet handed to the caller).
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "net/Socket.h"
#include "net/SocketSystem.h"
#include "platform/Utf8.h"

namespace net {

Socket::DatagramResult Socket::readDatagramIntoStorage() {
  readBuffer_[0] = 0;
  const int flags = readStorage_.empty() ? 0 : MSG_DONTWAIT;
  sockaddr_storage sender{};
  ssize_t received = 0;
  do {
    // Linux keeps queueing datagrams after a shutdown: only the flag ends a read under a flood.
    if (wokenUp_) return {0, std::nullopt};
    socklen_t length = sizeof sender;
    received = ::recvfrom(socketfd_, readBuffer_.data(), readBufferSize_, flags, reinterpret_cast<sockaddr*>(&sender),
                          &length);
  } while (received < 0 && errno == EINTR);
  if (received == 0) {
    // An empty datagram, or a wake-up (shutdown): nothing to hand out. Neither says that a peer
    // went away, so remoteConnectionClosed stays as it is.
    return {0, std::nullopt};
  }
  if (received < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {static_cast<std::int64_t>(readStorage_.size()), std::nullopt};
    if (errno == ECONNRESET) detail::throwSystemError(errConnectionReset);
    detail::throwSystemError(errReadFailed);
  }
  readStorage_.insert(readStorage_.end(), readBuffer_.begin(), readBuffer_.begin() + received);
  auto address = Address::fromStorage(sender);
  if (!address) {
    // The datagram is dropped whole: left here it would be glued in front of the next one.
    readStorage_.clear();
    detail::throwReason(errWrongProtocol, reason::receivingFamilyUnknown);
  }
  return {static_cast<std::int64_t>(readStorage_.size()), std::move(address)};
}

Socket::DatagramResult Socket::readDatagram(std::vector<std::uint8_t>& data) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (!signature_ || signature_->socketType != SocketType::datagram) detail::throwReason(errWrongProtocol, reason::notUdp);
  DatagramResult result = readDatagramIntoStorage();
  if (result.count < 1) return {0, std::move(result.address)};
  data.insert(data.end(), readStorage_.begin(), readStorage_.end());
  result.count = static_cast<std::int64_t>(readStorage_.size());
  readStorage_.clear();
  return result;
}

Socket::DatagramResult Socket::readDatagram(std::uint8_t* buffer, std::size_t capacity) {
  if (capacity == 0) detail::throwReason(errInvalidBuffer, reason::invalidBufferSize);
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (!signature_ || signature_->socketType != SocketType::datagram) detail::throwReason(errWrongProtocol, reason::notUdp);
  DatagramResult result = readDatagramIntoStorage();
  if (result.count == 0) return {0, std::nullopt};
  if (readStorage_.empty()) return {0, std::move(result.address)};
  // The part of the datagram beyond the caller's buffer is dropped.
  if (readStorage_.size() > capacity) readStorage_.resize(capacity);
  std::copy(readStorage_.begin(), readStorage_.end(), buffer);
  result.count = static_cast<std::int64_t>(readStorage_.size());
  readStorage_.clear();
  return result;
}

std::int64_t Socket::readIntoStorage() {
  readBuffer_[0] = 0;
  // Bytes already waiting are never held back by a blocking receive; after a receive that
  // filled the whole buffer the next pass only collects what is already there.
  int flags = readStorage_.empty() ? 0 : MSG_DONTWAIT;
  for (;;) {
    if (wokenUp_) return static_cast<std::int64_t>(readStorage_.size());
    std::int64_t received = 0;
    if (delegate_) {
      // Waits for readability alone: a connected socket is nearly always writable.
      received = detail::runSecure([&] { return delegate_->receiveSecure(readBuffer_.data(), readBufferSize_); },
                                   [&] { detail::waitFor(socketfd_, detail::readableEvents); });
    } else {
      received = ::recv(socketfd_, readBuffer_.data(), readBufferSize_, flags);
      if (received < 0 && errno == EINTR) continue;
    }
    if (received > 0) {
      readStorage_.insert(readStorage_.end(), readBuffer_.begin(), readBuffer_.begin() + received);
      if (static_cast<std::size_t>(received) < readBufferSize_) return static_cast<std::int64_t>(readStorage_.size());
      flags = MSG_DONTWAIT;
      continue;
    }
    if (received == 0) {
      // The peer is gone; bytes of an earlier pass of this read are still handed out.
      noteRemoteClosed();
      return static_cast<std::int64_t>(readStorage_.size());
    }
    if (errno == ECONNRESET) {
      noteRemoteClosed();
      detail::throwSystemError(errConnectionReset);
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return static_cast<std::int64_t>(readStorage_.size());
    detail::throwSystemError(errReadFailed);
  }
}

std::int64_t Socket::read(std::vector<std::uint8_t>& data) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (!isConnected_) detail::throwReason(errNotConnected, reason::socketNotConnected);
  if (readIntoStorage() <= 0) return 0;
  data.insert(data.end(), readStorage_.begin(), readStorage_.end());
  const auto count = static_cast<std::int64_t>(readStorage_.size());
  readStorage_.clear();
  return count;
}

std::int64_t Socket::read(std::uint8_t* buffer, std::size_t capacity, bool truncate) {
  if (capacity == 0) detail::throwReason(errInvalidBuffer, reason::invalidBufferTheSize);
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (!isConnected_) detail::throwReason(errNotConnected, reason::socketNotConnected);
  if (readStorage_.empty() && (readIntoStorage() == 0 || readStorage_.empty())) return 0;
  const std::size_t waiting = readStorage_.size();
  if (waiting <= capacity) {
    std::copy(readStorage_.begin(), readStorage_.end(), buffer);
    readStorage_.clear();
    return static_cast<std::int64_t>(waiting);
  }
  if (!truncate) {
    throw SocketError(errBufferTooSmall, std::string(reason::bufferTooSmall), static_cast<std::int32_t>(std::min<std::size_t>(waiting, INT32_MAX)));
  }
  std::copy_n(readStorage_.begin(), capacity, buffer);
  readStorage_.erase(readStorage_.begin(), readStorage_.begin() + static_cast<std::ptrdiff_t>(capacity));
  return static_cast<std::int64_t>(capacity);
}

std::string Socket::readString() {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2000);
  const std::int64_t count = read(bytes);
  std::string text(bytes.begin(), bytes.end());
  if (count <= 0 || !platform::isValidUtf8(text)) detail::throwReason(errInternal, reason::dataNotText);
  return text;
}

}  // namespace net
