// Socket: binding and listening.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "net/Socket.h"
#include "net/SocketSystem.h"

namespace net {

namespace {

// listen(2), refusing a backlog that an int cannot hold.
void listenWithBacklog(int descriptor, std::int64_t backlog) {
  if (backlog < INT_MIN || backlog > INT_MAX) {
    errno = EINVAL;
    detail::throwSystemError(SocketErrorCodes::errListenFailed);
  }
  if (::listen(descriptor, static_cast<int>(backlog)) < 0) detail::throwSystemError(SocketErrorCodes::errListenFailed);
}

}  // namespace

void Socket::listen(std::int64_t port, std::int64_t maxBacklogSize, bool reusePort,
                    const std::optional<std::string>& node) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  // Reuse for a system-picked port is set only once it is bound: while picking, the system treats
  // a port that another reusing socket holds as free, and the two would then share one UDP port
  // (the newer taking the other's datagrams).
  const auto allowReuse = [this, reusePort] {
    if (detail::setIntOption(socketfd_, SOL_SOCKET, SO_REUSEADDR, 1) < 0) detail::throwSystemError(errSetOptionFailed);
    if (reusePort && detail::setIntOption(socketfd_, SOL_SOCKET, SO_REUSEPORT, 1) < 0 && errno != ENOPROTOOPT) {
      detail::throwSystemError(errSetOptionFailed);
    }
  };
  if (port != 0) allowReuse();
  if (!signature_) detail::throwReason(errInternal, reason::signatureNotFound);
  if (signature_->protocolFamily == ProtocolFamily::inet6 && signature_->proto == SocketProtocol::tcp &&
      detail::setIntOption(socketfd_, IPPROTO_IPV6, IPV6_V6ONLY, 1) < 0) {
    detail::throwSystemError(errSetOptionFailed);
  }
  const bool udp = signature_->socketType == SocketType::datagram && signature_->proto == SocketProtocol::udp;
  const bool datagramOrUdp = signature_->socketType == SocketType::datagram || signature_->proto == SocketProtocol::udp;
  if (!datagramOrUdp && delegate_) detail::callDelegate([&] { delegate_->prepare(true); });

  addrinfo hints{};
  hints.ai_flags = AI_PASSIVE;
  hints.ai_family = platformValue(signature_->protocolFamily);
  hints.ai_socktype = platformValue(signature_->socketType);
  const detail::AddrinfoList list = detail::lookup(node ? node->c_str() : nullptr, port, hints);

  const addrinfo* bound = nullptr;
  int lastError = 0;
  for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
    if (::bind(socketfd_, entry->ai_addr, entry->ai_addrlen) == 0) {
      bound = entry;
      break;
    }
    lastError = errno;
  }
  if (bound == nullptr) {
    errno = lastError;
    detail::throwSystemError(errBindFailed);
  }
  if (port == 0) allowReuse();

  std::optional<Address> address;
  if (port == 0) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (getsockname(socketfd_, reinterpret_cast<sockaddr*>(&storage), &length) < 0) {
      detail::throwReason(errBindFailed, reason::boundAddressUnknown);
    }
    address = Address::fromStorage(storage);
  } else {
    address = detail::addressOf(*bound);
  }
  if (!address) detail::throwReason(errWrongProtocol, reason::listeningFamilyUnknown);
  if (const auto endpoint = address->hostAndPort()) {
    signature_->hostname = endpoint->host;
    signature_->port = endpoint->port;
  }
  signature_->isBound = true;
  signature_->address = address;

  if (udp) return;
  listenWithBacklog(socketfd_, maxBacklogSize);
  isListening_ = true;
  signature_->isSecure = delegate_ != nullptr;
}

void Socket::listenOnPath(const std::string& path, std::int64_t maxBacklogSize) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (!signature_ || signature_->protocolFamily != ProtocolFamily::unix_) {
    detail::throwReason(errWrongProtocol, reason::mustBeAUnix);
  }
  if (detail::setIntOption(socketfd_, SOL_SOCKET, SO_REUSEADDR, 1) < 0) detail::throwSystemError(errSetOptionFailed);
  const Signature pathSignature = Signature::withPath(SocketType::stream, SocketProtocol::unix_, path);
  // Only a stale socket file is removed: a wrong path must never delete someone's data.
  struct stat status {};
  if (lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode)) ::unlink(path.c_str());
  const auto [unixAddress, length] = pathSignature.makeUnixAddress();
  if (::bind(socketfd_, reinterpret_cast<const sockaddr*>(&unixAddress), length) < 0) {
    detail::throwSystemError(errListenFailed);
  }
  listenWithBacklog(socketfd_, maxBacklogSize);
  isListening_ = true;
  signature_->path = path;
  signature_->isBound = true;
  signature_->isSecure = false;
  signature_->address = pathSignature.address;
}

Socket::DatagramResult Socket::listenForDatagram(std::uint8_t* buffer, std::size_t bufferSize, std::int64_t port,
                                                 std::int64_t maxBacklogSize) {
  if (bufferSize == 0) detail::throwReason(errInvalidBuffer, reason::invalidBufferTheSize);
  bindForDatagram(port, maxBacklogSize);
  return readDatagram(buffer, bufferSize);
}

Socket::DatagramResult Socket::listenForDatagram(std::vector<std::uint8_t>& data, std::int64_t port,
                                                 std::int64_t maxBacklogSize) {
  bindForDatagram(port, maxBacklogSize);
  return readDatagram(data);
}

void Socket::bindForDatagram(std::int64_t port, std::int64_t maxBacklogSize) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (!signature_ || signature_->socketType != SocketType::datagram) detail::throwReason(errWrongProtocol, reason::notUdp);
  if (!signature_->isBound) listen(port, maxBacklogSize, true, std::nullopt);
  if (!signature_ || !signature_->isBound) detail::throwReason(errListenFailed, "");
  isListening_ = true;
}

}  // namespace net
