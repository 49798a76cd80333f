#pragma once
// Test helpers for the discoverers: user-info replies sent by liblo, a clock the test moves, plain
// UDP receivers on 127.x addresses, interface entries and a queue the test can wait for.

#include <arpa/inet.h>
#include <lo/lo.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "device/Discoverer/UserDiscoverer.h"
#include "tests/async/EventLog.h"

namespace device::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;

inline const std::string uid = "0123456789ABCDEF0123456789ABCDEF";

// One user of one device as a device reports it.
struct Reply {
  std::string serial = "SN1";
  std::string model = "VELTO:tamo";
  std::string ip = "192.168.1.20";
  int user = 1;
  std::string userName = "Anna";
  int hide = 0;
  std::string deviceName = "Rack";
  std::string version = "5.7.13";
  int port = 9110;

  // The "/VELTOapp/control/UserInfo" arguments in their order (18 of them).
  lo_message message() const {
    lo_message m = lo_message_new();
    lo_message_add(m, "ssiFssissiisiiiiss", userName.c_str(), "inst_x1", user, serial.c_str(), ip.c_str(), port,
                   model.c_str(), version.c_str(), 0, 0, deviceName.c_str(), 24, 5, 0, hide, "0",
                   ("UID-" + serial).c_str());
    return m;
  }

  UserInfo info() const {
    return UserInfo(UserInfo::User(static_cast<std::size_t>(user), false, userName, "inst_x1",
                                   hide ? Hide::hidden : Hide::visible, false),
                    UserInfo::Device(serial, *DeviceType::make(model, 5), ip, static_cast<std::uint16_t>(port),
                                     *SoftwareVersion::fromString(version), deviceName, 24, 5, "UID-" + serial));
  }
};

// Sends a reply (or any message) to 127.0.0.1:port.
inline void send(std::uint16_t port, lo_message message, const char* path = UserDiscoverer::userInfoAddress) {
  lo_address to = lo_address_new("127.0.0.1", std::to_string(port).c_str());
  EXPECT_GE(lo_send_message(to, path, message), 0);
  lo_address_free(to);
  lo_message_free(message);
}

// A monotonic clock that moves only when the test says so.
struct ManualClock {
  std::shared_ptr<std::atomic<Clock::rep>> ticks = std::make_shared<std::atomic<Clock::rep>>(1'000'000'000'000);
  Clock::time_point now() const { return Clock::time_point(Clock::duration(ticks->load())); }
  void advance(Clock::duration by) const { *ticks += by.count(); }
};

// A plain UDP socket bound to address:port (port 0: the system picks); no address reuse.
class UdpReceiver {
 public:
  explicit UdpReceiver(const std::string& address, std::uint16_t port = 0) : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << address;
    socklen_t length = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
  }
  ~UdpReceiver() { close(fd_); }
  UdpReceiver(const UdpReceiver&) = delete;
  UdpReceiver& operator=(const UdpReceiver&) = delete;

  std::uint16_t port() const { return port_; }
  // The next datagram within `timeout`.
  std::optional<std::vector<std::uint8_t>> receive(std::chrono::milliseconds timeout = 3s) const {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) != 1) return std::nullopt;
    std::vector<std::uint8_t> data(2048);
    const auto n = recv(fd_, data.data(), data.size(), 0);
    if (n < 0) return std::nullopt;
    data.resize(static_cast<std::size_t>(n));
    return data;
  }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

// An up and running IPv4 interface entry: a loopback one is reached at its address, another one
// at its broadcast address.
inline net::Interface ipv4(std::string name, std::string address, bool loopback,
                           std::optional<std::string> broadcast = std::nullopt, bool up = true, bool running = true) {
  return net::Interface(std::move(name), net::Interface::Family::ipv4, std::move(address), "255.255.255.0", running, up,
                        loopback, true, std::move(broadcast));
}

inline UserDiscoverer::Options options(std::uint16_t discoveryPort, std::vector<net::Interface> interfaces) {
  UserDiscoverer::Options o;
  o.discoveryPort = discoveryPort;
  o.period = std::chrono::hours(1);  // cycles only when the test asks (and the one at start)
  o.interfaces = [interfaces] { return interfaces; };
  return o;
}

// Polls `condition` for up to five seconds.
template <class Condition>
bool eventually(Condition condition) {
  for (int waited = 0; waited < 5000; waited += 5) {
    if (condition()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return condition();
}

// Waits until everything queued so far on `queue` has run.
inline void drain(const osc::DispatchQueue& queue) {
  queue.sync([] {});
}

}  // namespace device::test
