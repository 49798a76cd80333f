// The user discoverer on 127.x addresses: the connect request byte for byte, the interface rules,
// the records a reply makes or changes, expiry at the window's edge and the lifecycle. Then the
// device discoverer's folding of user events into devices and endpoints, driven directly, and the
// whole chain against simulated devices.

#include <lo/lo.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "device/Discoverer/DeviceDiscoverer.h"
#include "device/Discoverer/UserDiscoverer.h"
#include "log/Tallylog.h"
#include "simulator/DeviceSimulator.h"
#include "tests/async/EventLog.h"
#include "tests/log/RecordingDestination.h"
#include "tests/support/Eventually.h"
#include "tests/support/UdpReceiver.h"

namespace device::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;

const std::string uid = "0123456789ABCDEF0123456789ABCDEF";

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
void receive(UserDiscoverer& discoverer, const Reply& reply) {
  static const auto pattern = *osc::OSCAddressPattern::make(UserDiscoverer::userInfoAddress);
  discoverer.receivedUserInfo(pattern, reply.oscMessage());
}

// Sends a reply (or any message) to 127.0.0.1:port.
void send(std::uint16_t port, lo_message message, const char* path = UserDiscoverer::userInfoAddress) {
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
net::Interface ipv4(std::string name, std::string address, bool loopback,
                           std::optional<std::string> broadcast = std::nullopt, bool up = true, bool running = true) {
  return net::Interface(std::move(name), net::Interface::Family::ipv4, std::move(address), "255.255.255.0", running, up,
                        loopback, true, std::move(broadcast));
}

UserDiscoverer::Options options(std::uint16_t discoveryPort, std::vector<net::Interface> interfaces) {
  UserDiscoverer::Options o;
  o.discoveryPort = discoveryPort;
  o.period = std::chrono::hours(1);  // cycles only when the test asks (and the one at start)
  o.interfaces = [interfaces] { return interfaces; };
  return o;
}

using testsupport::eventually;


std::shared_ptr<osc::DispatchQueue> makeQueue() { return osc::DispatchQueue::make("Velto Device Discoverer"); }

// The handler calls as text: "new Anna #1 @192.168.1.20", "changed Anna #1 -> Bea #1 @...".
struct Events {
  async::test::EventLog<std::string> log;
  void bind(UserDiscoverer& d) {
    d.setNewUserHandler([this](const auto& r) { log.record("new " + text(r)); });
    d.setUserChangedHandler([this](const auto& old, const auto& updated) {
      log.record("changed " + old.userInfo.user().description() + " -> " + text(updated));
    });
    d.setUserOfflineHandler([this](const auto& r) { log.record("offline " + text(r)); });
  }
  static std::string text(const UserDiscoverer::Result& r) {
    return r.userInfo.user().description() + " @" + r.userInfo.device().ip();
  }
};

// The request as bytes, written out by hand: address, ",iiiss", listen port, 5.7.13 packed, 40,
// "macOS", the uid; 100 bytes.
std::vector<std::uint8_t> expectedRequest(std::uint16_t listenPort) {
  std::string bytes("/VELTOpelion/control/ConnectRequest\0,iiiss\0\0", 44);
  for (std::uint32_t value : {std::uint32_t{listenPort}, 50713u, 40u}) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
  bytes += std::string("macOS\0\0\0", 8) + uid + std::string(4, '\0');
  return {bytes.begin(), bytes.end()};
}

// Which interfaces get the request, and the two lines a cycle may log.
TEST(UserDiscoverer, sendsTheRequestToEachUsableInterfaceAndLogsTheOthersEveryCycle) {
  LogLines lines;
  UdpReceiver loopback("127.20.0.1");
  const auto port = loopback.port();
  UdpReceiver broadcast("127.20.0.2", port);
  UdpReceiver skipped("127.20.0.3", port);
  const std::vector<net::Interface> interfaces = {
      net::Interface("lo6", net::Interface::Family::ipv6, "::1", "::", true, true, false, false, "127.20.0.3"),
      ipv4("down0", "127.20.0.3", true, std::nullopt, false),
      ipv4("idle0", "127.20.0.3", true, std::nullopt, true, false),
      net::Interface("other0", net::Interface::Family::other, "127.20.0.3", "", true, true, false, false, ""),
      ipv4("eth9", "127.20.0.9", false),
      ipv4("lo", "127.20.0.1", true, "127.20.0.3"),
      ipv4("eth0", "127.20.0.9", false, "127.20.0.2"),
  };
  auto discoverer = UserDiscoverer::make(makeQueue(), 0, uid, "macOS", {5, 7, 13}, {}, {}, {},
                                         options(port, interfaces));
  discoverer->start();
  const auto request = expectedRequest(*discoverer->listeningPort());
  ASSERT_EQ(request.size(), 100u);
  for (int cycle = 0; cycle < 2; ++cycle) {
    if (cycle > 0) discoverer->discover();
    EXPECT_EQ(loopback.receive(), request);
    EXPECT_EQ(broadcast.receive(), request);
  }
  // "other0" has an empty broadcast text, which names no host: the send fails and the rest go on.
  EXPECT_EQ(skipped.receive(50ms), std::nullopt);
  EXPECT_EQ(lines.count("Skipping eth9 no valid address provided", tallylog::Tallylog::Level::info), 2u);
  EXPECT_EQ(lines.count("send failed", tallylog::Tallylog::Level::warning), 2u);
}

// A started discoverer on a port of its own, with the test's clock and handlers.
struct Started {
  Events events;
  ManualClock clock;
  std::shared_ptr<UserDiscoverer> discoverer;
  std::uint16_t port = 0;
  explicit Started(std::size_t maximumUsers = UserDiscoverer::Options().maximumUsers) {
    auto o = options(9, {});
    o.now = [clock = clock] { return clock.now(); };
    o.maximumUsers = maximumUsers;
    discoverer = UserDiscoverer::make(makeQueue(), 0, uid, "macOS", {5, 7, 13}, {}, {}, {}, o);
    events.bind(*discoverer);
    discoverer->start();
    port = *discoverer->listeningPort();
  }
};

// Each step sends replies and then a marker reply, so a step that causes no event is seen to have
// been handled when the marker's event comes.
TEST(UserDiscoverer, keepsOneRecordPerUserAndPathAndReportsChangesOfTheUserOnly) {
  LogLines lines;
  Started s;
  const Reply anna;
  const Reply hidden{.userName = "Bea", .hide = 20};
  const Reply secondPath{.ip = "10.0.0.5"};
  const struct {
    std::vector<Reply> replies;
    Strings events;
  } steps[] = {
      {{anna}, {"new Anna #1 @192.168.1.20"}},
      {{anna, {.deviceName = "Other", .version = "6.0.0"}}, {}},
      {{{.userName = "Bea"}}, {"changed Anna #1 -> Bea #1 @192.168.1.20"}},
      {{hidden}, {"changed Bea #1 -> Bea #1 @192.168.1.20"}},
      {{secondPath, {.model = "HXB-VELTO"}}, {"new Anna #1 @10.0.0.5", "new Anna #1 @192.168.1.20"}},
  };
  std::size_t expected = 0;
  for (std::size_t k = 0; k < std::size(steps); ++k) {
    s.clock.advance(1s);
    for (const auto& reply : steps[k].replies) send(s.port, reply.message());
    send(s.port, Reply{.serial = "MARK" + std::to_string(k)}.message());
    expected += steps[k].events.size() + 1;
    ASSERT_TRUE(s.events.log.waitFor(expected)) << k;
    auto got = s.events.log.values();
    Strings tail(got.end() - static_cast<std::ptrdiff_t>(steps[k].events.size() + 1), got.end() - 1);
    EXPECT_EQ(tail, steps[k].events) << k;
  }
  // A malformed reply is logged and changes nothing.
  lo_message shortReply = lo_message_new();
  lo_message_add_string(shortReply, "Anna");
  send(s.port, shortReply);
  send(s.port, Reply{.serial = "MARK"}.message());
  ASSERT_TRUE(s.events.log.waitFor(expected + 1));
  EXPECT_EQ(lines.count("invalid user info received", tallylog::Tallylog::Level::warning), 1u);

  auto users = s.discoverer->users();
  std::erase_if(users, [](const auto& r) { return r.userInfo.device().serialNumber().starts_with("MARK"); });
  ASSERT_EQ(users.size(), 3u);
  // The changed user replaced the record; the device fields of the first reply stayed.
  EXPECT_EQ(users[0].userInfo, hidden.info());
  EXPECT_EQ(users[0].userInfo.device().name(), "Rack");
  EXPECT_EQ(users[0].userInfo.device().version(), SoftwareVersion(5, 7, 13));
  EXPECT_EQ(users[0].lastSeen, s.clock.now() - 1s);
  EXPECT_EQ(users[1].userInfo, secondPath.info());
}

// Each bound just reached and just passed: the texts of a reply and the number of records, which
// makes room again as records expire. Known users still change while the list is full.
TEST(UserDiscoverer, refusesRepliesWithOverLongTextsAndUsersBeyondTheBound) {
  LogLines lines;
  Started s(3);
  const std::string longest(UserDiscoverer::kMaximumTextSize, 'x'), tooLong = longest + "x";
  const struct {
    Reply reply;
    std::size_t events;  // after the reply
  } steps[] = {
      {{.serial = "A"}, 1},
      {{.serial = "B", .userName = longest, .deviceName = longest}, 2},
      {{.serial = "C", .userName = tooLong}, 2},
      {{.serial = "C", .ip = tooLong}, 2},
      {{.serial = "C"}, 3},
      {{.serial = "D"}, 3},
      {{.serial = "E"}, 3},
      {{.serial = "A", .userName = "Bea"}, 4},
  };
  for (std::size_t k = 0; k < std::size(steps); ++k) {
    receive(*s.discoverer, steps[k].reply);
    EXPECT_EQ(s.events.log.count(), steps[k].events) << k;
  }
  EXPECT_EQ(s.discoverer->users().size(), 3u);
  EXPECT_EQ(lines.count("user info with an over-long text ignored", tallylog::Tallylog::Level::warning), 2u);
  EXPECT_EQ(lines.count("too many users, new ones ignored", tallylog::Tallylog::Level::warning), 1u);

  s.clock.advance(11s);
  s.discoverer->discover();
  s.discoverer->queue()->sync([] {});  // what the cycle queued has run
  receive(*s.discoverer, {.serial = "D"});
  EXPECT_EQ(s.events.log.count(), 8u);  // three offline, one new
  EXPECT_EQ(s.discoverer->users().size(), 1u);
}

// A record exactly as old as the window stays; one a nanosecond older is reported, then removed.
TEST(UserDiscoverer, expiresRecordsStrictlyOlderThanTheWindow) {
  Started s;
  send(s.port, Reply().message());
  ASSERT_TRUE(s.events.log.waitFor(1));
  for (const auto step : {Clock::duration(10s), Clock::duration(1ns)}) {
    s.clock.advance(step);
    s.discoverer->discover();
    s.discoverer->queue()->sync([] {});  // what the cycle queued has run
    EXPECT_EQ(s.discoverer->users().size(), step == 10s ? 1u : 0u);
  }
  EXPECT_EQ(s.events.log.values(), (Strings{"new Anna #1 @192.168.1.20", "offline Anna #1 @192.168.1.20"}));
}

// A start that cannot bind leaves the discoverer stopped, so a retry works; stop forgets the users
// without reporting them, and they come back as new.
TEST(UserDiscoverer, aFailedStartCanBeRetriedAndARestartReportsUsersAsNew) {
  Events events;
  std::optional<UdpReceiver> blocker(std::in_place, "0.0.0.0");
  const auto port = blocker->port();
  auto discoverer = UserDiscoverer::make(makeQueue(), port, uid, "macOS", {5, 7, 13}, {}, {}, {}, options(9, {}));
  events.bind(*discoverer);
  EXPECT_THROW(discoverer->start(), net::SocketError);
  EXPECT_FALSE(discoverer->isStarted());
  blocker.reset();
  discoverer->start();
  ASSERT_EQ(discoverer->listeningPort(), port);

  for (int run = 0; run < 2; ++run) {
    if (run > 0) {
      discoverer->stop();
      EXPECT_TRUE(discoverer->users().empty());
      discoverer->start();
    }
    send(port, Reply().message());
    ASSERT_TRUE(events.log.waitFor(static_cast<std::size_t>(run + 1)));
  }
  discoverer->queue()->sync([] {});
  EXPECT_EQ(events.log.values(), (Strings{"new Anna #1 @192.168.1.20", "new Anna #1 @192.168.1.20"}));
}


std::string usersOf(const DeviceDiscoverer::Result& device) {
  std::string text;
  for (const auto& user : device.users) text += (text.empty() ? "" : ",") + user.description();
  return text;
}

// The four events as text, in order.
struct DeviceEvents {
  async::test::EventLog<std::string> log;
  void bind(DeviceDiscoverer& d) {
    d.setNewDeviceHandler([this](const auto& r) { log.record("new " + r.description()); });
    d.setOfflineDeviceHandler([this](const auto& r) { log.record("offline " + r.description()); });
    d.setAddedEndPointHandler(
        [this](const auto& r, const auto& e) { log.record("added " + e.description() + " to " + r.description()); });
    d.setRemovedEndPointHandler([this](const auto& r, const auto& e) {
      log.record("removed " + e.description() + " from " + r.description());
    });
  }
};

std::shared_ptr<DeviceDiscoverer> makeDiscoverer(UserDiscoverer::Options o = options(9, {})) {
  return DeviceDiscoverer::make(makeQueue(), 0, uid, "macOS", {5, 7, 13}, {}, {}, {}, {}, std::move(o));
}

Reply user(int number, std::string ip, std::string model = "VELTO:tamo") {
  return {.model = std::move(model), .ip = std::move(ip), .user = number};
}

TEST(DeviceDiscoverer, foldsUsersIntoDevicesAndDropsAPathWithItsLastUser) {
  auto discoverer = makeDiscoverer();
  DeviceEvents events;
  events.bind(*discoverer);
  const std::string a = "[192.168.1.20:9110] VELTO:tamo:UID-SN1";
  const std::string ab = "[192.168.1.20:9110, 10.0.0.5:9110] VELTO:tamo:UID-SN1";
  enum Kind { found, gone };
  const struct {
    Kind kind;
    Reply reply;
    Strings events;
  } steps[] = {
      {found, user(1, "192.168.1.20"), {"new Rack - " + a}},
      {found, user(2, "192.168.1.20"), {}},
      {found, user(1, "10.0.0.5"), {"added 10.0.0.5:9110 to Rack - " + ab}},
      // The same path by another text of the address.
      {found, user(3, "192.168.001.020"), {}},
      // User 1 and user 3 still answer on the first path.
      {gone, user(2, "192.168.1.20"), {}},
      {gone, user(1, "10.0.0.5"), {"removed 10.0.0.5:9110 from Rack - " + a}},
      {gone, user(1, "192.168.1.20"), {}},
      {gone, user(3, "192.168.001.020"), {"offline Rack - " + a}},
      {found, user(2, "192.168.1.20"), {"new Rack - " + a}},
      // Same serial number, another type: another device.
      {found, user(1, "192.168.1.20", "HXB-VELTO"), {"new Rack - [192.168.1.20:9110] HXB-VELTO:UID-SN1"}},
      // Reports of paths and devices the discoverer does not hold change nothing.
      {found, user(1, "192.168.1"), {}},
      {gone, user(1, "192.168.1"), {}},
      {gone, user(2, "10.0.0.5"), {}},
      {gone, user(2, "192.168.1.20", "VELTO:1"), {}},
  };
  for (std::size_t k = 0; k < std::size(steps); ++k) {
    const auto before = events.log.count();
    const UserDiscoverer::Result record{Clock::now(), steps[k].reply.info()};
    steps[k].kind == found ? discoverer->newUserFound(record) : discoverer->userWentOffline(record);
    const auto got = events.log.values();
    EXPECT_EQ(Strings(got.begin() + static_cast<std::ptrdiff_t>(before), got.end()), steps[k].events) << k;
  }

  auto renamed = user(2, "192.168.1.20");
  renamed.userName = "Bea";
  discoverer->userChanged({Clock::now(), user(2, "192.168.1.20").info()}, {Clock::now(), renamed.info()});
  const auto devices = discoverer->discoveredDevices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(usersOf(devices[0]), "Bea #2");
  EXPECT_EQ(devices[0].version, SoftwareVersion(5, 7, 13));
  EXPECT_EQ(events.log.count(), 6u);  // a changed user calls no handler
}

// Each bound just reached and just passed; a device's bounds warn once, the device bound once while
// the list is full; a device going offline makes room.
TEST(DeviceDiscoverer, refusesPathsUsersAndDevicesBeyondTheBounds) {
  LogLines lines;
  auto o = options(9, {});
  o.maximumDevices = 2;
  auto discoverer = makeDiscoverer(o);
  DeviceEvents events;
  events.bind(*discoverer);
  const auto found = [&](const Reply& reply) { discoverer->newUserFound({Clock::now(), reply.info()}); };
  for (std::size_t k = 0; k <= DeviceDiscoverer::kMaximumEndpointsPerDevice; ++k) {
    found(user(1, "10.0.0." + std::to_string(k)));
  }
  for (int number = 2; number <= static_cast<int>(DeviceDiscoverer::kMaximumUsersPerDevice) + 1; ++number) {
    found(user(number, "10.0.0.0"));
  }
  auto devices = discoverer->discoveredDevices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].endpoints.size(), DeviceDiscoverer::kMaximumEndpointsPerDevice);
  EXPECT_EQ(devices[0].users.size(), DeviceDiscoverer::kMaximumUsersPerDevice);
  EXPECT_EQ(events.log.count(), DeviceDiscoverer::kMaximumEndpointsPerDevice);  // one new, then added paths

  Reply second = user(1, "10.1.0.1"), third = user(1, "10.1.0.2");
  second.serial = "SN2";
  third.serial = "SN3";
  for (const auto& reply : {second, third, third}) found(reply);
  discoverer->userWentOffline({Clock::now(), second.info()});
  found(third);
  const auto got = events.log.values();
  EXPECT_EQ(Strings(got.end() - 3, got.end()),
            (Strings{"new Rack - [10.1.0.1:9110] VELTO:tamo:UID-SN2", "offline Rack - [10.1.0.1:9110] VELTO:tamo:UID-SN2",
                     "new Rack - [10.1.0.2:9110] VELTO:tamo:UID-SN3"}));
  EXPECT_EQ(lines.count("too many devices, new ones ignored", tallylog::Tallylog::Level::warning), 1u);
  EXPECT_EQ(lines.count("too many users or paths of a device, new ones ignored", tallylog::Tallylog::Level::warning),
            1u);
  EXPECT_EQ(lines.destination->calls().size(), 2u);
}

// Replies of many distinct devices, handed over as the server does: the records stop at the
// bounds (scaled down) and so do the new-device events.
TEST(DeviceDiscoverer, aFloodOfDistinctDevicesStopsAtTheBounds) {
  LogLines lines;
  auto bounds = options(9, {});
  bounds.maximumUsers = 600;
  bounds.maximumDevices = 100;
  auto discoverer = makeDiscoverer(bounds);
  std::atomic<std::size_t> newDevices = 0;
  discoverer->setNewDeviceHandler([&newDevices](const auto&) { ++newDevices; });
  discoverer->start();
  for (std::size_t k = 0; k < bounds.maximumUsers + 100; ++k) {
    receive(*discoverer->userDiscoverer(), {.serial = "SN" + std::to_string(k)});
  }
  EXPECT_EQ(newDevices.load(), bounds.maximumDevices);
  EXPECT_EQ(discoverer->discoveredDevices().size(), bounds.maximumDevices);
  EXPECT_EQ(discoverer->userDiscoverer()->users().size(), bounds.maximumUsers);
  EXPECT_EQ(lines.count("too many devices, new ones ignored", tallylog::Tallylog::Level::warning), 1u);
  EXPECT_EQ(lines.count("too many users, new ones ignored", tallylog::Tallylog::Level::warning), 1u);
}

// One device at one address (a second config of the same device is a second path to it).
testsupport::DeviceConfig rack(std::string address) {
  testsupport::DeviceConfig c;
  c.serialNumber = "SN1";
  c.name = "Rack";
  c.uid = "UID-SN1";
  c.address = std::move(address);
  c.controlPort = 9200;
  c.type = device::DeviceType::pelion(2);
  c.users = {{.name = "Anna"}, {.name = "Bea"}};
  return c;
}

// A device on two paths (its two addresses): the user events of the discoverer reach the devices.
TEST(DeviceDiscoverer, followsADeviceOnTwoPathsAsItsUsersFallSilent) {
  testsupport::DeviceSimulator simulator({rack("127.21.0.1"), rack("127.21.0.2")});
  const auto change = [&](std::vector<std::size_t> devices, auto edit) {
    for (const auto device : devices) simulator.update(device, edit);
  };
  change({1}, [](auto& c) { c.behaviour.silent = true; });
  simulator.start();
  auto o = options(9110, {ipv4("lo", "127.21.0.1", true), ipv4("eth0", "127.21.0.9", false, "127.21.0.2")});
  o.period = 50ms;
  o.window = 300ms;
  auto discoverer = makeDiscoverer(o);
  DeviceEvents events;
  events.bind(*discoverer);
  discoverer->start();

  const std::string a = "Rack - [127.21.0.1:9200] VELTO:pelion:UID-SN1";
  const auto users = [&] { return usersOf(discoverer->discoveredDevices().at(0)); };
  ASSERT_TRUE(events.log.waitFor(1));
  EXPECT_TRUE(eventually([&] { return users() == "Anna #1,Bea #2"; }));
  change({1}, [](auto& c) { c.behaviour.silent = false; });
  ASSERT_TRUE(events.log.waitFor(2));
  change({0, 1}, [](auto& c) { c.users[1].name = "Cleo"; });
  EXPECT_TRUE(eventually([&] { return users() == "Anna #1,Cleo #2"; }));

  change({1}, [](auto& c) { c.behaviour.silent = true; });
  ASSERT_TRUE(events.log.waitFor(3));
  // Which of a path's users keep it is the folding's (tested above): here the whole device falls silent.
  change({0}, [](auto& c) { c.behaviour.silent = true; });
  ASSERT_TRUE(events.log.waitFor(4));
  EXPECT_TRUE(discoverer->discoveredDevices().empty());
  change({0}, [](auto& c) { c.behaviour.silent = false; });
  ASSERT_TRUE(events.log.waitFor(5));
  const std::string ab = "Rack - [127.21.0.1:9200, 127.21.0.2:9200] VELTO:pelion:UID-SN1";
  EXPECT_EQ(events.log.values(), (Strings{"new " + a, "added 127.21.0.2:9200 to " + ab,
                                          "removed 127.21.0.2:9200 from " + a, "offline " + a, "new " + a}));
}

TEST(DeviceDiscoverer, knowsFiftyDevicesAfterOneCycle) {
  std::vector<testsupport::DeviceConfig> devices;
  std::vector<net::Interface> interfaces;
  for (int k = 1; k <= 50; ++k) {
    devices.push_back(testsupport::DeviceConfig::processor(k, "127.22.0." + std::to_string(k)));
    interfaces.push_back(ipv4("lo", devices.back().address, true));
  }
  testsupport::DeviceSimulator simulator(devices);
  simulator.start();
  auto discoverer = makeDiscoverer(options(9110, interfaces));
  DeviceEvents events;
  events.bind(*discoverer);
  discoverer->start();
  ASSERT_TRUE(events.log.waitFor(50));
  EXPECT_EQ(discoverer->discoveredDevices().size(), 50u);

  // A stop keeps the devices; after a restart their users are new again, their endpoints are not.
  discoverer->stop();
  EXPECT_EQ(discoverer->discoveredDevices().size(), 50u);
  discoverer->start();
  EXPECT_TRUE(eventually([&] { return discoverer->userDiscoverer()->users().size() == 200; }));
  EXPECT_EQ(events.log.count(), 50u);
}

}  // namespace
}  // namespace device::test
