#include "osc/OSCClient.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>

namespace osc {

OSCClientError OSCClientError::couldNotCreateAddress(std::string host, std::uint16_t port) {
  std::string description =
      "Could not find an IPv4 address for \u201c" + host + "\u201d (port " + std::to_string(port) + ").";
  return {Case::couldNotCreateAddress, std::move(description), std::move(host), port};
}

OSCClient::OSCClient(std::string host, std::uint16_t port)
    : socket_(net::Socket::create(net::ProtocolFamily::inet, net::SocketType::datagram, net::SocketProtocol::udp)),
      host_(std::move(host)),
      port_(port) {
  socket_->setBroadcast(true);
}

OSCClient::~OSCClient() { socket_->close(); }

std::optional<net::Socket::Address> OSCClient::resolveIPv4(const std::string& host, std::uint16_t port) {
  // Dotted-quad text needs no resolver: the same address without its cost on every send.
  sockaddr_in numeric{};
  if (inet_pton(AF_INET, host.c_str(), &numeric.sin_addr) == 1) {
    numeric.sin_family = AF_INET;
    numeric.sin_port = htons(port);
    return net::Socket::Address::ipv4(numeric);
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return std::nullopt;
  std::optional<net::Socket::Address> address;
  if (list && list->ai_family == AF_INET && list->ai_addrlen >= sizeof(sockaddr_in)) {
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, list->ai_addr, sizeof ipv4);
    address = net::Socket::Address::ipv4(ipv4);
  }
  freeaddrinfo(list);
  return address;
}

void OSCClient::send(const std::vector<std::uint8_t>& data, const std::string& host, std::uint16_t port,
                     std::uint64_t timeout) {
  std::lock_guard lock(mutex_);
  // Set only when it changes: one system call less for nearly every send.
  if (const std::uint64_t milliseconds = timeout / 1'000'000; writeTimeout_ != milliseconds) {
    socket_->setWriteTimeout(milliseconds);
    writeTimeout_ = milliseconds;
  }
  const auto address = resolveIPv4(host, port);
  if (!address) throw OSCClientError::couldNotCreateAddress(host, port);
  socket_->write(data, *address);
}

void OSCClient::send(const OSCMessage& message, std::uint64_t timeout) { send(message.data(), host_, port_, timeout); }

void OSCClient::send(const OSCBundle& bundle, std::uint64_t timeout) { send(bundle.data(), host_, port_, timeout); }

void OSCClient::send(const OSCMessage& message, const std::string& host, std::uint16_t port, std::uint64_t timeout) {
  send(message.data(), host, port, timeout);
}

void OSCClient::send(const OSCBundle& bundle, const std::string& host, std::uint16_t port, std::uint64_t timeout) {
  send(bundle.data(), host, port, timeout);
}

}  // namespace osc
