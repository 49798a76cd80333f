// Socket: taking connections from a listening stream socket.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/Socket.h"
#include "net/SocketSystem.h"

namespace net {

std::pair<int, Socket::Address> Socket::acceptOne() {
  for (;;) {
    if (wokenUp_) {
      errno = EINVAL;  // what accept(2) reports on a listening socket that was shut down
      detail::throwSystemError(errAcceptFailed);
    }
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int descriptor = ::accept4(socketfd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (descriptor < 0) {
      if (errno == EINTR) continue;
      detail::throwSystemError(errAcceptFailed);
    }
    auto address = Address::fromStorage(peer);
    if (!address) {
      ::close(descriptor);  // nobody could use a connection of an unknown family
      detail::throwReason(errWrongProtocol, reason::incomingFamilyUnknown);
    }
    return {descriptor, std::move(*address)};
  }
}

std::unique_ptr<Socket> Socket::acceptClient(bool invokeDelegate) {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::theSocketInvalidDescriptor);
  if (isConnected_) detail::throwReason(errAlreadyConnected, reason::alreadyConnected);
  if (!isListening_) detail::throwReason(errNotListening, reason::theSocketNotListening);
  auto [descriptor, peer] = acceptOne();
  auto client = std::make_unique<Socket>(descriptor, peer, signature_ ? signature_->path : std::nullopt);
  if (delegate_) {
    client->needsAcceptDelegateCall_ = true;
    if (invokeDelegate) invokeAcceptDelegate(*client);
  }
  return client;
}

void Socket::invokeAcceptDelegate(Socket& client) {
  if (!client.needsAcceptDelegateCall_) detail::throwReason(errNoDelegateAcceptNeeded, reason::noDelegateAcceptNeeded);
  if (!delegate_) return;
  detail::callDelegate([&] { delegate_->acceptHandshake(client); });
  if (client.signature_) client.signature_->isSecure = true;
  client.needsAcceptDelegateCall_ = false;
}

void Socket::acceptInPlace() {
  if (socketfd_ == invalidDescriptor) detail::throwReason(errInvalidDescriptor, reason::socketInvalidDescriptor);
  if (isConnected_) detail::throwReason(errAlreadyConnected, reason::alreadyConnected);
  if (!isListening_) detail::throwReason(errNotListening, reason::socketNotListening);
  auto [descriptor, peer] = acceptOne();
  close(true);
  socketfd_ = descriptor;
  if (signature_) {
    signature_->address = peer;
    if (const auto endpoint = peer.hostAndPort()) {
      signature_->hostname = endpoint->host;
      signature_->port = endpoint->port;
    }
  }
  isConnected_ = true;
  if (delegate_) {
    detail::callDelegate([&] { delegate_->acceptHandshake(*this); });
    if (signature_) signature_->isSecure = true;
  }
}

}  // namespace net
