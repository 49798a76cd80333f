// The device manager against simulated devices on 127.31.x addresses: clients from discovery
// events, preset-list notifications, endpoint changes, reconnection and stop(). Each test has
// its own addresses and client listen ports.

#include <gtest/gtest.h>

#include "tests/app/Data/DeviceManagerTesting.h"
#include "tests/support/UdpReceiver.h"

namespace app::test {
namespace {

constexpr const char* kPing = "/Vp/Ping";
constexpr const char* kSwitchUser = "/VELTOpelion/control/SwitchUser";

void failSwitchUser(testsupport::DeviceConfig& c, bool fail) {
  if (fail) c.behaviour.dropped.insert(kSwitchUser);
  else c.behaviour.dropped.erase(kSwitchUser);
}

TEST(DeviceManager, refusesEndpointsThatAreNotSingleLocalHosts) {
  const std::vector<net::Interface> interfaces = {
      loopback("127.31.0.1"),
      net::Interface("eth0", net::Interface::Family::ipv4, "192.168.7.21", "255.255.255.252", true, true, false, true,
                     "192.168.7.23"),
      net::Interface("p2p", net::Interface::Family::ipv4, "10.4.0.1", "255.255.255.254", true, true, false, false,
                     std::nullopt),
      net::Interface("down", net::Interface::Family::ipv4, "172.16.0.1", "255.255.0.0", true, false, false, true,
                     std::nullopt),
  };
  const struct {
    const char* address;
    bool usable;
  } cases[] = {
      {"127.31.0.7", true},   {"127.31.0.1", true},       {"127.31.0.0", false},   {"127.31.0.255", false},
      {"127.31.1.7", false},  {"192.168.7.21", true},     {"192.168.7.20", false},  {"192.168.7.22", true},
      {"192.168.7.23", false}, {"192.168.7.24", false},   {"192.168.7.16", false}, {"10.4.0.0", true},
      {"10.4.0.1", true},     {"172.16.0.9", false},      {"0.0.0.0", false},      {"255.255.255.255", false},
      {"224.0.0.1", false},   {"239.255.255.250", false}, {"8.8.8.8", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeviceManager::isUsableEndpoint(*device::IPv4Address::fromString(c.address), interfaces), c.usable)
        << c.address;
  }
}

TEST(DeviceManager, connectsNewDevicesFromTheFirstPortAndPostsTheirWholeListsOnce) {
  Notifications notifications;
  testsupport::DeviceSimulator simulator({processor(1, "127.31.1.1", {"A", "B"}), processor(2, "127.31.1.2")});
  simulator.start();
  DeviceManager manager(configuration({"127.31.1.1", "127.31.1.2"}, 31100, notifications.center));
  manager.startDiscoverer();
  ASSERT_TRUE(notifications.log.waitFor(4));
  simulator.waitFor(std::nullopt, "/VELTOpelion/control/RequestListOfPresets", 8);

  auto lines = notifications.lines();
  EXPECT_EQ(lines.size(), 4u);
  for (const std::string ip : {"127.31.1.1", "127.31.1.2"}) {
    const auto added = std::find(lines.begin(), lines.end(), "added " + ip);
    const auto presets = std::find_if(lines.begin(), lines.end(),
                                      [&](const std::string& l) { return l.starts_with("presets+ " + ip); });
    EXPECT_LT(added, presets) << ip;
  }
  EXPECT_NE(std::find(lines.begin(), lines.end(), "presets+ 127.31.1.1 A,B"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "presets+ 127.31.1.2 "), lines.end());

  const auto clients = manager.clients();
  EXPECT_EQ(listenPorts(clients), (Strings{"31100", "31101"}));
  for (const auto& client : clients) {
    const auto list = manager.presets(*client);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->count(), client->deviceIP() == "127.31.1.1" ? 2u : 0u);
  }
}

// One device's list changed step by step; then the device falls silent, is dropped, changes its
// list and comes back: its new client posts only the differences to the list stored before.
TEST(DeviceManager, postsOnlyTheDifferencesOfLaterListsAlsoAfterTheDeviceReturns) {
  Notifications notifications;
  testsupport::DeviceSimulator simulator({processor(1, "127.31.2.1", {"A", "B"})});
  simulator.start();
  DeviceManager manager(configuration({"127.31.2.1"}, 31200, notifications.center));
  manager.startDiscoverer();
  ASSERT_TRUE(notifications.log.waitFor(2));
  EXPECT_EQ(notifications.lines(), (Strings{"added 127.31.2.1", "presets+ 127.31.2.1 A,B"}));

  const struct {
    Strings list;
    Strings posted;
  } steps[] = {
      {{"B", "A"}, {}},
      {{"B", "A", "C"}, {"presets+ 127.31.2.1 C"}},
      {{"C", "D"}, {"presets+ 127.31.2.1 D", "presets- 127.31.2.1 B,A"}},
      {{"C", "D"}, {}},
  };
  for (const auto& step : steps) {
    const auto before = notifications.log.count();
    setPresets(simulator, 0, step.list);
    // Three more polls have been answered.
    simulator.waitFor(0, "/VELTOpelion/control/RequestListOfPresets", 3, 2s,
                      testsupport::DeviceSimulator::Clock::now());
    if (!step.posted.empty()) {
      ASSERT_TRUE(notifications.log.waitFor(before + step.posted.size()));
    }
    const auto lines = notifications.lines();
    EXPECT_EQ(Strings(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()), step.posted);
  }

  const auto first = manager.clients().at(0);
  const auto before = notifications.log.count();
  simulator.update(0, [](auto& c) { c.behaviour.silent = true; });
  ASSERT_TRUE(notifications.log.waitFor(before + 1));
  EXPECT_EQ(notifications.lines().back(), "removed 127.31.2.1");
  EXPECT_TRUE(manager.allClients().empty());
  // The dropped client falls silent: no pings while the device stays away.
  std::this_thread::sleep_for(100ms);
  const auto quiet = testsupport::DeviceSimulator::Clock::now();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(simulator.waitFor(0, kPing, 1, 1ms, quiet).empty());
  EXPECT_FALSE(first->isOnline());

  setPresets(simulator, 0, {"D", "E"});
  simulator.update(0, [](auto& c) { c.behaviour.silent = false; });
  ASSERT_TRUE(notifications.log.waitFor(before + 4));
  const auto lines = notifications.lines();
  EXPECT_EQ(Strings(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
            (Strings{"removed 127.31.2.1", "added 127.31.2.1", "presets+ 127.31.2.1 E", "presets- 127.31.2.1 C"}));
  ASSERT_EQ(manager.clients().size(), 1u);
  EXPECT_NE(manager.clients().front(), first);
  EXPECT_EQ(manager.clients().front()->listenPort(), 31201);
}

// A device saves "Show1" again: the stored list takes the new time stamp within two polls, and
// nothing is posted (no name came or went).
TEST(DeviceManager, aPresetSavedAgainKeepsItsNewStampWithoutNotifications) {
  Notifications notifications;
  auto config = processor(1, "127.31.2.2", {"Show1"});
  config.presets[0].stamp = "2026-12-01T20:00:00.000Z";
  testsupport::DeviceSimulator simulator({config});
  simulator.start();
  DeviceManager manager(configuration({"127.31.2.2"}, 31210, notifications.center));
  manager.startDiscoverer();
  ASSERT_TRUE(notifications.log.waitFor(2));
  const auto client = manager.clients().at(0);
  ASSERT_EQ(manager.presets(*client)->names.at(0).rawDate, "2026-12-01T20:00:00.000Z");

  const auto saved = testsupport::DeviceSimulator::Clock::now();
  simulator.update(0, [](auto& c) { c.presets[0].stamp = "2026-12-07T18:30:00.000Z"; });
  simulator.waitFor(0, "/VELTOpelion/control/RequestListOfPresets", 2, 2s, saved);
  const auto stored = manager.presets(*client);
  ASSERT_TRUE(stored && stored->count() == 1);
  EXPECT_EQ(stored->names[0].name, "Show1");
  EXPECT_EQ(stored->names[0].rawDate, "2026-12-07T18:30:00.000Z");
  EXPECT_EQ(notifications.log.count(), 2u);
}

// A second path to a device appears: an online client stays, an offline one is replaced by a
// client through the new endpoint.
TEST(DeviceManager, anAddedEndpointReplacesOnlyAnOfflineClient) {
  for (const bool firstConnectFails : {false, true}) {
    SCOPED_TRACE(firstConnectFails);
    LogLines logLines;
    Notifications notifications;
    auto a = processor(1, "127.31.3.1");
    auto b = processor(1, "127.31.3.2");
    failSwitchUser(a, firstConnectFails);
    b.behaviour.silent = true;
    testsupport::DeviceSimulator simulator({a, b});
    simulator.start();
    DeviceManager manager(configuration({"127.31.3.1", "127.31.3.2"}, firstConnectFails ? 31320 : 31300,
                                        notifications.center));
    manager.startDiscoverer();
    ASSERT_TRUE(eventually([&] { return manager.allClients().size() == 1; }));
    const auto first = manager.allClients().front();
    EXPECT_EQ(manager.clients().size(), firstConnectFails ? 0u : 1u);

    simulator.update(1, [](auto& c) { c.behaviour.silent = false; });
    if (firstConnectFails) {
      ASSERT_TRUE(notifications.log.waitFor(2));
      EXPECT_EQ(notifications.lines(), (Strings{"removed 127.31.3.1", "added 127.31.3.2"}));
      EXPECT_FALSE(first->oscServer()->isRunning());
    } else {
      ASSERT_TRUE(eventually([&] { return logLines.countEnding(" is already connected") == 1; }));
      ASSERT_TRUE(notifications.log.waitFor(2));
      EXPECT_EQ(notifications.lines(), (Strings{"added 127.31.3.1", "presets+ 127.31.3.1 "}));
    }
    ASSERT_EQ(manager.allClients().size(), 1u);
    EXPECT_EQ(manager.allClients().front() == first, !firstConnectFails);
  }
}

// A device on two paths loses one: the client on the other path stays alone; the client on the
// lost path is dropped and the device is connected again through the path left.
TEST(DeviceManager, aRemovedEndpointLeavesOneClientPerDevice) {
  for (const bool clientsPath : {false, true}) {
    SCOPED_TRACE(clientsPath);
    LogLines logLines;
    Notifications notifications;
    const Strings addresses = {"127.31.4.1", "127.31.4.2"};
    testsupport::DeviceSimulator simulator({processor(1, addresses[0]), processor(1, addresses[1])});
    simulator.start();
    DeviceManager manager(configuration(addresses, clientsPath ? 31420 : 31400, notifications.center));
    manager.startDiscoverer();
    ASSERT_TRUE(eventually([&] {
      const auto devices = manager.discoverer()->discoveredDevices();
      return devices.size() == 1 && devices[0].endpoints.size() == 2 && manager.clients().size() == 1;
    }));
    const auto first = manager.clients().front();
    const std::size_t used = first->deviceIP() == addresses[0] ? 0 : 1;
    const std::size_t lost = clientsPath ? used : 1 - used;
    simulator.update(lost, [](auto& c) { c.behaviour.silent = true; });
    const auto endpoint = addresses[lost] + ":" + std::to_string(simulator.controlPort(lost));
    ASSERT_TRUE(eventually([&] { return logLines.count("removed endpoint " + endpoint, Level::info) == 1; }));
    if (clientsPath) {
      ASSERT_TRUE(eventually([&] { return manager.clients().size() == 1 && manager.clients().front() != first; }));
      EXPECT_EQ(manager.clients().front()->deviceIP(), addresses[1 - used]);
      EXPECT_FALSE(first->oscServer()->isRunning());
    }
    // Give a wrongly queued connect time to show.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(manager.allClients().size(), 1u);
    EXPECT_EQ(manager.allClients().front() == first, !clientsPath);
  }
}

TEST(DeviceManager, retriesAFailedFirstConnectionInTheReconnectLoop) {
  LogLines logLines;
  Notifications notifications;
  auto a = processor(1, "127.31.5.1", {"A"});
  failSwitchUser(a, true);
  testsupport::DeviceSimulator simulator({a});
  simulator.start();
  DeviceManager manager(configuration({"127.31.5.1"}, 31500, notifications.center));
  manager.startDiscoverer();
  ASSERT_TRUE(eventually([&] { return manager.allClients().size() == 1; }));
  const auto client = manager.allClients().front();
  EXPECT_TRUE(manager.clients().empty());
  manager.startReconnectTimer();
  ASSERT_TRUE(eventually([&] { return logLines.count("reconnect failed: ", Level::warning) >= 2; }));
  EXPECT_EQ(notifications.log.count(), 0u);

  simulator.update(0, [](auto& c) { failSwitchUser(c, false); });
  ASSERT_TRUE(notifications.log.waitFor(2));
  EXPECT_EQ(notifications.lines(), (Strings{"added 127.31.5.1", "presets+ 127.31.5.1 A"}));
  EXPECT_EQ(manager.clients(), std::vector<DeviceManager::Client>{client});
  // One observer polls it: at most one list request per poll period (50 ms).
  const auto since = testsupport::DeviceSimulator::Clock::now();
  std::this_thread::sleep_for(500ms);
  EXPECT_LE(simulator.waitFor(0, "/VELTOpelion/control/RequestListOfPresets", 100, 1ms, since).size(), 12u);
}

// Listen ports held by sockets of other owners: the first connection moves on to the next free
// port with a new client instead of keeping one that could never bind (its reconnects keep the port).
TEST(DeviceManager, aTakenListenPortMovesTheConnectionToTheNextPort) {
  const testsupport::UdpReceiver first("0.0.0.0", 31800), second("0.0.0.0", 31801);
  Notifications notifications;
  testsupport::DeviceSimulator simulator({processor(1, "127.31.8.1", {"A"})});
  simulator.start();
  DeviceManager manager(configuration({"127.31.8.1"}, 31800, notifications.center));
  manager.startDiscoverer();
  ASSERT_TRUE(notifications.log.waitFor(2));
  EXPECT_EQ(notifications.lines(), (Strings{"added 127.31.8.1", "presets+ 127.31.8.1 A"}));
  EXPECT_EQ(listenPorts(manager.allClients()), Strings{"31802"});
}

TEST(DeviceManager, givesForeignAndBroadcastEndpointsNoClient) {
  LogLines logLines;
  Notifications notifications;
  auto foreign = processor(1, "127.31.6.1");
  foreign.reportedIp = "10.9.9.9";
  auto broadcast = processor(2, "127.31.6.2");
  broadcast.reportedIp = "127.31.6.255";
  testsupport::DeviceSimulator simulator({foreign, broadcast});
  simulator.start();
  DeviceManager manager(configuration({"127.31.6.1", "127.31.6.2"}, 31600, notifications.center));
  manager.startDiscoverer();
  ASSERT_TRUE(eventually([&] {
    return logLines.count("no endpoint found that this computer is connected to", Level::warning) == 2;
  }));
  EXPECT_EQ(manager.discoverer()->discoveredDevices().size(), 2u);
  EXPECT_TRUE(manager.allClients().empty());
  EXPECT_EQ(notifications.log.count(), 0u);
}

// stop() ends discovery, observers, the reconnect loop and a connection in progress, and leaves
// no client talking.
TEST(DeviceManager, stopEndsEverythingAndSilencesTheClients) {
  Notifications notifications;
  auto slow = processor(3, "127.31.7.3");
  slow.behaviour.delays[kSwitchUser] = 3000ms;
  testsupport::DeviceSimulator simulator({processor(1, "127.31.7.1"), processor(2, "127.31.7.2"), slow});
  simulator.start();
  auto c = configuration({"127.31.7.1", "127.31.7.2", "127.31.7.3"}, 31700, notifications.center);
  c.client.switchUserTimeout = 5'000'000'000;
  c.connectTimeout = 5s;
  DeviceManager manager(c);
  manager.startDiscoverer();
  manager.startReconnectTimer();
  ASSERT_TRUE(eventually([&] { return manager.clients().size() == 2; }));
  ASSERT_FALSE(simulator.waitFor(2, kSwitchUser).empty());

  const auto clients = manager.clients();
  const auto start = std::chrono::steady_clock::now();
  manager.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  for (const auto& client : clients) EXPECT_FALSE(client->oscServer()->isRunning());
  EXPECT_TRUE(manager.clients().empty());
  EXPECT_FALSE(manager.discoverer()->userDiscoverer()->isStarted());

  std::this_thread::sleep_for(50ms);
  const auto stopped = testsupport::DeviceSimulator::Clock::now();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(simulator.waitFor(std::nullopt, kPing, 1, 1ms, stopped).empty());
  EXPECT_TRUE(simulator.waitFor(std::nullopt, "/VELTOpelion/control/ConnectRequest", 1, 1ms, stopped).empty());
  manager.stop();
  EXPECT_THROW(manager.startDiscoverer(), std::logic_error);
}

}  // namespace
}  // namespace app::test
