// The device discoverer's folding of user events into devices and endpoints, driven directly, and
// the whole chain against simulated devices on 127.x addresses.

#include <gtest/gtest.h>

#include "device/Discoverer/DeviceDiscoverer.h"
#include "tests/device/Discoverer/DiscovererTesting.h"
#include "simulator/DeviceSimulator.h"

namespace device::test {
namespace {

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
  return DeviceDiscoverer::make(osc::DispatchQueue::make("Velto Device Discoverer"), 0, uid, "macOS", {5, 7, 13}, {},
                                {}, {}, {}, std::move(o));
}

Reply user(int number, std::string ip, std::string model = "VELTO:tamo") {
  Reply r;
  r.user = number;
  r.ip = std::move(ip);
  r.model = std::move(model);
  return r;
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
