// Socket: fields, creation, addresses, multi-socket readiness, closing and the wake-up.
#include "net/Socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "net/SocketSystem.h"
#include "platform/Uuid.h"

namespace net {

std::unique_ptr<Socket> Socket::create(ProtocolFamily family, SocketType type, SocketProtocol proto) {
  if (type == SocketType::datagram && proto != SocketProtocol::udp && proto != SocketProtocol::unix_) {
    detail::throwReason(errInvalidSignature, reason::datagramNeedsUdpOrUnix);
  }
  if (type == SocketType::stream && proto != SocketProtocol::tcp && proto != SocketProtocol::unix_) {
    detail::throwReason(errInvalidSignature, reason::streamNeedsTcpOrUnix);
  }
  return std::make_unique<Socket>(family, type, proto);
}

std::unique_ptr<Socket> Socket::createConnected(const Signature& signature) {
  auto socket = std::make_unique<Socket>(signature.protocolFamily, signature.socketType, signature.proto);
  socket->connect(signature);
  return socket;
}

std::unique_ptr<Socket> Socket::adopt(int descriptor, const std::optional<Address>& address) {
  if (!address) detail::throwReason(errConnectionDataUnavailable, reason::socketConnectionDataUnavailable);
  return std::make_unique<Socket>(descriptor, *address, std::nullopt);
}

std::optional<Socket::HostAndPort> Socket::hostAndPort(const Address& address) { return address.hostAndPort(); }

std::optional<Socket::Address> Socket::resolveAddress(const std::string& host, std::int32_t port) {
  const std::string service = std::to_string(port);
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), nullptr, &list) != 0) return std::nullopt;
  const detail::AddrinfoList owned(list);
  return detail::addressOf(*list);
}

std::pair<std::vector<Socket*>, std::vector<Socket*>> Socket::partitionByReadiness(
    const std::vector<Socket*>& sockets) {
  std::pair<std::vector<Socket*>, std::vector<Socket*>> result;
  for (Socket* socket : sockets) {
    const Readiness readiness = socket->pollReadiness(false, 0);
    if (readiness.readable) result.first.push_back(socket);
    if (readiness.writable) result.second.push_back(socket);
  }
  return result;
}

std::optional<std::vector<Socket*>> Socket::waitForReadable(const std::vector<Socket*>& sockets,
                                                            std::uint64_t timeout, bool waitForever) {
  std::vector<pollfd> descriptors;
  descriptors.reserve(sockets.size());
  for (const Socket* socket : sockets) {
    if (socket->socketfd_ == invalidDescriptor) {
      detail::throwReason(errInvalidDescriptor, reason::theSocketInvalidDescriptor);
    }
    if (!socket->signature_) detail::throwReason(errMissingSignature, reason::missingSignature);
    if (!socket->isListening_ && !socket->isConnected_ && !socket->signature_->isBound) {
      detail::throwReason(errNotActive, reason::notActive);
    }
    descriptors.push_back(pollfd{socket->socketfd_, POLLIN, 0});
  }
  // Nothing can become readable in an empty list; waiting for ever on it would hang.
  if (sockets.empty()) return std::nullopt;
  const int limit = waitForever ? -1 : detail::toPollTimeout(timeout);
  const int result = detail::pollLikeSelect(descriptors.data(), descriptors.size(), limit);
  if (result < 0) detail::throwSystemError(errSelectFailed);
  if (result == 0) return std::nullopt;
  std::vector<Socket*> readable;
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    if (descriptors[i].revents & detail::readableEvents) readable.push_back(sockets[i]);
  }
  return readable;
}

std::string Socket::lastErrorText() { return systemErrorText(errno); }

void Socket::resetFields() {
  readBufferSize_ = defaultReadBufferSize;
  readBuffer_.assign(readBufferSize_, 0);
  readStorage_.clear();
  readStorage_.reserve(defaultReadBufferSize);
  uuid_ = platform::newUuidText();
}

Socket::Socket(ProtocolFamily family, SocketType type, SocketProtocol proto) {
  resetFields();
  const int domain = platformValue(family);
  const int socketType = platformValue(type);
  const int protocol = family == ProtocolFamily::unix_ ? 0 : platformValue(proto);
  socketfd_ = ::socket(domain, socketType | SOCK_CLOEXEC, protocol);
  if (socketfd_ < 0) {
    socketfd_ = invalidDescriptor;
    detail::throwSystemError(errCreateFailed);
  }
  // Linux has no per-descriptor SIGPIPE switch: every send passes MSG_NOSIGNAL instead.
  try {
    signature_ = Signature::fromPlatform(domain, socketType, protocol, std::nullopt);
  } catch (...) {
    closeDescriptor();
    throw;
  }
}

Socket::Socket(int descriptor, const Address& remoteAddress, const std::optional<std::string>& path) {
  resetFields();
  isConnected_ = true;
  socketfd_ = descriptor;
  try {
    if (path) {
      signature_ = Signature::withPath(SocketType::stream, SocketProtocol::unix_, path);
    } else {
      const int family = platformValue(remoteAddress.family());
      const auto endpoint = remoteAddress.hostAndPort();
      std::optional<std::string> host;
      std::optional<std::int32_t> port;
      if (endpoint) {
        host = endpoint->host;
        port = endpoint->port;
      }
      // Without host text and port (a path address given without its path) this throws.
      signature_ = Signature::fromPlatformWithHost(family, SOCK_STREAM, IPPROTO_TCP, remoteAddress, host, port);
    }
  } catch (...) {
    closeDescriptor();
    throw;
  }
}

Socket::~Socket() {
  if (socketfd_ != invalidDescriptor) close(true);
}

void Socket::closeDescriptor() {
  ::close(socketfd_);
  socketfd_ = invalidDescriptor;
}

void Socket::noteRemoteClosed() {
  if (!signature_ || signature_->socketType != SocketType::datagram) remoteConnectionClosed_ = true;
}

void Socket::close() { close(true); }

void Socket::close(bool withSecurityCleanup) {
  if (socketfd_ != invalidDescriptor) {
    if (withSecurityCleanup && delegate_) {
      try {
        delegate_->teardown();
      } catch (...) {
        // Closing never fails; a layer that cannot tear down is dropped with the descriptor.
      }
    }
    // A thread blocked in accept or recvfrom is woken only by a shutdown, not by close(2).
    const bool datagram = signature_ && signature_->socketType == SocketType::datagram;
    if (isListening_ || datagram) ::shutdown(socketfd_, SHUT_RDWR);
    isListening_ = false;
    isConnected_ = false;
    closeDescriptor();
  }
  wokenUp_ = false;
  if (signature_) {
    signature_->hostname = std::string(noHostname);
    signature_->port = 0;
    signature_->path.reset();
    signature_->isSecure = false;
  }
}

void Socket::wakeUp() {
  wokenUp_ = true;
  if (socketfd_ != invalidDescriptor) ::shutdown(socketfd_, SHUT_RDWR);
}

void Socket::setDelegate(std::shared_ptr<SSLServiceDelegate> delegate) {
  delegate_ = std::move(delegate);
  if (delegate_) setReadBufferSize(secureReadBufferSize);
}

void Socket::setReadBufferSize(std::size_t size) {
  const std::size_t stored = std::max(size, minimumReadBufferSize);
  if (stored == readBufferSize_) return;
  readBufferSize_ = stored;
  readBuffer_ = std::vector<std::uint8_t>(stored, 0);
}

std::string Socket::remoteHostname() const {
  if (!signature_ || !signature_->hostname) return std::string(noHostname);
  return *signature_->hostname;
}

}  // namespace net
