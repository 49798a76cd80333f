// Socket: connecting by host and port (with an optional time-out), by local path, or by signature.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/Socket.h"
#include "net/SocketSystem.h"

namespace net {

namespace {

enum class Attempt { connected, failed };

// Connects a candidate descriptor; throws (after closing it) when the time-out wait fails.
Attempt connectCandidate(int descriptor, const addrinfo& entry, std::uint64_t timeout) {
  if (::connect(descriptor, entry.ai_addr, entry.ai_addrlen) == 0) return Attempt::connected;
  if (errno != EINPROGRESS || timeout == 0) return Attempt::failed;
  pollfd waiting{descriptor, POLLOUT, 0};
  const int result = detail::pollLikeSelect(&waiting, 1, detail::toPollTimeout(timeout));
  if (result < 0) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
    detail::throwSystemError(SocketErrorCodes::errSelectFailed);
  }
  if (result == 0 || (waiting.revents & detail::writableEvents) == 0) {
    ::close(descriptor);
    errno = ETIMEDOUT;
    detail::throwSystemError(SocketErrorCodes::errConnectTimeout);
  }
  int pending = 0;
  socklen_t length = sizeof pending;
  if (getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &pending, &length) < 0) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
    detail::throwSystemError(SocketErrorCodes::errGetOptionFailed);
  }
  errno = pending;
  return pending == 0 ? Attempt::connected : Attempt::failed;
}

}  // namespace

void Socket::connect(const std::string& host, std::int32_t port, std::uint64_t timeout, bool sameFamilyOnly) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (isConnected_) detail::throwReason(errAlreadyConnected, reason::alreadyConnected);
  if (host.empty()) detail::throwReason(errInvalidHostname, reason::invalidHostname);
  if (!isBlocking_ && timeout == 0) detail::throwReason(errTimeoutNotSet, reason::timeoutNotSet);
  if (port < 1 || port > 65535) detail::throwReason(errInvalidPort, reason::invalidPort);
  if (delegate_) detail::callDelegate([&] { delegate_->prepare(false); });

  addrinfo hints{};
  hints.ai_family = sameFamilyOnly && signature_ ? platformValue(signature_->protocolFamily) : AF_UNSPEC;
  hints.ai_socktype = signature_ ? platformValue(signature_->socketType) : SOCK_STREAM;
  const detail::AddrinfoList list = detail::lookup(host.c_str(), port, hints);

  const bool nonBlockingConnect = !isBlocking_ || timeout > 0;
  int lastError = 0;
  for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
    // A descriptor that cannot be made counts as a failed entry: no unbounded retry.
    const int candidate = ::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
    if (candidate < 0) {
      lastError = errno;
      continue;
    }
    if (nonBlockingConnect) {
      try {
        detail::setNonBlocking(candidate, true);
      } catch (...) {
        ::close(candidate);
        throw;
      }
    }
    if (connectCandidate(candidate, *entry, timeout) == Attempt::connected) {
      takeOverConnection(candidate, *entry, host, port, isBlocking_ && timeout > 0);
      return;
    }
    lastError = errno;
    ::close(candidate);
  }
  errno = lastError;
  detail::throwSystemError(errAddressLookupFailed);
}

void Socket::takeOverConnection(int descriptor, const addrinfo& entry, const std::string& host, std::int32_t port,
                                bool restoreBlocking) {
  if (socketfd_ != invalidDescriptor) close(false);
  socketfd_ = descriptor;
  isConnected_ = true;
  const auto address = detail::addressOf(entry);
  if (!address) detail::throwReason(errWrongProtocol, reason::connectedFamilyUnknown);
  signature_ = Signature::fromPlatformWithHost(entry.ai_family, entry.ai_socktype, entry.ai_protocol, address, host,
                                               port);
  if (restoreBlocking) detail::setNonBlocking(descriptor, false);
  if (delegate_) {
    detail::callDelegate([&] { delegate_->connectHandshake(*this); });
    signature_->isSecure = true;
  }
}

void Socket::connectToPath(const std::string& path) {
  if (!signature_ || signature_->protocolFamily != ProtocolFamily::unix_) {
    detail::throwReason(errWrongProtocol, reason::mustBeUnix);
  }
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (isConnected_) detail::throwReason(errAlreadyConnected, reason::alreadyConnected);
  signature_ = Signature::withPath(SocketType::stream, SocketProtocol::unix_, path);
  const auto [address, length] = signature_->makeUnixAddress();
  if (::connect(socketfd_, reinterpret_cast<const sockaddr*>(&address), length) < 0) {
    detail::throwSystemError(errConnectFailed);
  }
  isConnected_ = true;
}

void Socket::connect(const Signature& signature) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (signature.path) {
    connectToPath(*signature.path);
    return;
  }
  if (!signature.address) {
    if (!signature.hostname || signature.port == 0) {
      detail::throwReason(errConnectionDataUnavailable, reason::connectionDataUnavailable);
    }
    connect(*signature.hostname, signature.port, 0, false);
    return;
  }
  if (delegate_) detail::callDelegate([&] { delegate_->prepare(false); });
  const Address& address = *signature.address;
  if (::connect(socketfd_, address.sockaddrPointer(), address.size()) < 0) detail::throwSystemError(errConnectFailed);
  Signature connected = signature;
  if (!signature.hostname || signature.port == 0) {
    if (const auto endpoint = address.hostAndPort()) {
      connected.hostname = endpoint->host;
      connected.port = endpoint->port;
    }
  }
  signature_ = std::move(connected);
  isConnected_ = true;
  if (delegate_) {
    detail::callDelegate([&] { delegate_->connectHandshake(*this); });
    signature_->isSecure = true;
  }
}

}  // namespace net
