#pragma once
// A plain UDP socket for tests that look at datagrams as they were sent, or hold a port.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

// Bound to address:port (port 0: the system picks); no address reuse.
class UdpReceiver {
 public:
  explicit UdpReceiver(const std::string& address, std::uint16_t port = 0) : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd_);
      throw std::runtime_error("cannot bind " + address + ":" + std::to_string(port));
    }
    socklen_t length = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
  }
  ~UdpReceiver() { ::close(fd_); }
  UdpReceiver(const UdpReceiver&) = delete;
  UdpReceiver& operator=(const UdpReceiver&) = delete;

  std::uint16_t port() const { return port_; }
  // The next datagram within `timeout`.
  std::optional<std::vector<std::uint8_t>> receive(std::chrono::milliseconds timeout = std::chrono::seconds(3)) const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) != 1) return std::nullopt;
    std::vector<std::uint8_t> data(4096);
    const auto n = ::recv(fd_, data.data(), data.size(), 0);
    if (n < 0) return std::nullopt;
    data.resize(static_cast<std::size_t>(n));
    return data;
  }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

}  // namespace testsupport
