#pragma once
// Test helpers for the device manager: a configuration with short periods for devices on 127.x
// addresses, the manager's notifications as text lines, and the log lines it writes.

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/Data/DeviceManager.h"
#include "log/Tallylog.h"
#include "tests/async/EventLog.h"
#include "tests/log/RecordingDestination.h"
#include "simulator/DeviceSimulator.h"
#include "tests/support/Eventually.h"

namespace app::test {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using Level = tallylog::Tallylog::Level;

// A running IPv4 loopback entry for `address` with a /24 mask (discovery asks it directly).
inline net::Interface loopback(const std::string& address) {
  return net::Interface("lo", net::Interface::Family::ipv4, address, "255.255.255.0", true, true, true, true,
                        std::nullopt);
}

// Short periods: discovery every 50 ms, devices and clients offline after 400 / 300 ms of
// silence, polls every 50 ms, reconnect passes every 100 ms.
inline DeviceManager::Configuration configuration(const Strings& addresses, std::uint16_t firstPort,
                                                  platform::NotificationCenter& center) {
  std::vector<net::Interface> interfaces;
  for (const auto& address : addresses) interfaces.push_back(loopback(address));
  DeviceManager::Configuration c;
  c.discoveryListenPort = 0;
  c.discovery.period = 50ms;
  c.discovery.window = 400ms;
  c.discovery.interfaces = [interfaces] { return interfaces; };
  c.firstClientListenPort = firstPort;
  c.client.pingPeriod = 50ms;
  c.client.onlineWindow = 300ms;
  c.client.switchUserTimeout = 300'000'000;
  c.connectTimeout = 500ms;
  c.reconnectTimeout = 500ms;
  c.reconnectPeriod = 100ms;
  c.presetListTimeout = 500ms;
  c.presetPollPeriod = 50ms;
  c.notificationCenter = &center;
  return c;
}

// The four notifications as lines: "added IP", "removed IP", "presets+ IP A,B", "presets- IP C".
// Every notification is checked for the user info its name promises.
struct Notifications {
  platform::NotificationCenter center;
  async::test::EventLog<std::string> log;
  std::vector<platform::ObserverToken> tokens;

  Notifications() {
    const std::pair<const char*, std::string> names[] = {{DeviceManager::kSourceAdded, "added"},
                                                         {DeviceManager::kSourceRemoved, "removed"},
                                                         {DeviceManager::kPresetsAdded, "presets+"},
                                                         {DeviceManager::kPresetsRemoved, "presets-"}};
    for (const auto& [name, word] : names) {
      tokens.push_back(center.addObserver(name, nullptr, [this, word = word](const platform::Notification& n) {
        const auto* client = n.value<std::shared_ptr<device::VeltoClient>>(DeviceManager::kClientKey);
        const auto* presets = n.value<device::PresetNameList>(DeviceManager::kPresetsKey);
        const bool presetNotification = word.starts_with("presets");
        if (!client || !*client || (presets != nullptr) != presetNotification) {
          log.record("malformed " + word);
          return;
        }
        std::string line = word + " " + (*client)->deviceIP();
        if (presets) {
          std::string names;
          for (const auto& name : presets->names) names += (names.empty() ? "" : ",") + name.name;
          line += " " + names;
        }
        log.record(line);
      }));
    }
  }
  Strings lines() const { return log.values(); }
};

// The manager's log lines (every test case runs in a process of its own).
struct LogLines {
  std::shared_ptr<tallylog::testing::RecordingDestination> destination =
      std::make_shared<tallylog::testing::RecordingDestination>();
  LogLines() {
    destination->minLevel = Level::verbose;
    tallylog::Tallylog::addDestination(destination);
  }
  ~LogLines() { tallylog::Tallylog::removeDestination(destination); }
  std::size_t count(const std::string& message, Level level) const {
    tallylog::Tallylog::flush(5);
    const auto calls = destination->calls();
    return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [&](const auto& c) {
      return c.message == message && c.level == level;
    }));
  }
  std::size_t countEnding(const std::string& suffix) const {
    tallylog::Tallylog::flush(5);
    const auto calls = destination->calls();
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [&](const auto& c) { return c.message.ends_with(suffix); }));
  }
};

using testsupport::eventually;

inline testsupport::SimPreset preset(const std::string& name) {
  testsupport::SimPreset p;
  p.name = name;
  return p;
}

// A processor at `address` listing `presets`.
inline testsupport::DeviceConfig processor(int n, const std::string& address, const Strings& presets = {}) {
  auto c = testsupport::DeviceConfig::processor(n, address, 2);
  for (const auto& name : presets) c.presets.push_back(preset(name));
  return c;
}

inline void setPresets(testsupport::DeviceSimulator& simulator, std::size_t device, const Strings& names) {
  simulator.update(device, [&](testsupport::DeviceConfig& c) {
    c.presets.clear();
    for (const auto& name : names) c.presets.push_back(preset(name));
  });
}

inline Strings listenPorts(const std::vector<DeviceManager::Client>& clients) {
  Strings ports;
  for (const auto& client : clients) ports.push_back(std::to_string(client->listenPort()));
  std::sort(ports.begin(), ports.end());
  return ports;
}

}  // namespace app::test
