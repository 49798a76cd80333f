#pragma once
// Test helpers for the discoverers: user-info replies sent by liblo, a clock the test moves, plain
// UDP receivers on 127.x addresses and interface entries.

#include <lo/lo.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "device/Discoverer/UserDiscoverer.h"
#include "log/Tallylog.h"
#include "tests/async/EventLog.h"
#include "tests/log/RecordingDestination.h"
#include "tests/support/Eventually.h"
#include "tests/support/UdpReceiver.h"

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

  // The same reply as our own message, for handing it to the reply handler directly.
  osc::OSCMessage oscMessage() const {
    return *osc::OSCMessage::make(UserDiscoverer::userInfoAddress,
                                  {userName, "inst_x1", std::int32_t{user}, false, serial, ip, std::int32_t{port}, model,
                                   version, std::int32_t{0}, std::int32_t{0}, deviceName, std::int32_t{24},
                                   std::int32_t{5}, std::int32_t{0}, std::int32_t{hide}, "0", "UID-" + serial});
  }

  UserInfo info() const {
    return UserInfo(UserInfo::User(static_cast<std::size_t>(user), false, userName, "inst_x1",
                                   hide ? Hide::hidden : Hide::visible, false),
                    UserInfo::Device(serial, *DeviceType::make(model, 5), ip, static_cast<std::uint16_t>(port),
                                     *SoftwareVersion::fromString(version), deviceName, 24, 5, "UID-" + serial));
  }
};

// Hands a reply to the discoverer's reply handler as its server does, on the caller's thread.
inline void receive(UserDiscoverer& discoverer, const Reply& reply) {
  static const auto pattern = *osc::OSCAddressPattern::make(UserDiscoverer::userInfoAddress);
  discoverer.receivedUserInfo(pattern, reply.oscMessage());
}

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

using testsupport::UdpReceiver;

// The log lines written while it lives.
struct LogLines {
  std::shared_ptr<tallylog::testing::RecordingDestination> destination =
      std::make_shared<tallylog::testing::RecordingDestination>();
  LogLines() { tallylog::Tallylog::addDestination(destination); }
  ~LogLines() { tallylog::Tallylog::removeDestination(destination); }
  std::size_t count(const std::string& message, tallylog::Tallylog::Level level) const {
    tallylog::Tallylog::flush(5);
    const auto calls = destination->calls();
    return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [&](const auto& c) {
      return c.message == message && c.level == level;
    }));
  }
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

using testsupport::eventually;

}  // namespace device::test
