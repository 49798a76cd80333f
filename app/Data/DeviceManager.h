#pragma once
// DeviceManager: the one process-wide owner of device discovery and of the device clients. It
// turns the device discoverer's four events (new device, endpoint added, endpoint removed, device
// offline) into clients that it builds, connects, keeps and drops; it polls every connected
// client's preset list and keeps the last list per device; it tries to bring offline clients back
// every reconnect period; and it reports all of this through four notifications. Windows never
// talk to the discoverer: they read clients() and presets(for) and observe the notifications.
//
// Ownership. The program uses shared(), created on first use and never destroyed; the program
// calls stop() on quit so that no thread outlives main. Tests construct their own managers with a
// Configuration (ports, periods, time-outs, interface list, notification center); the destructor
// stops. Discovery handlers and tasks hold the manager's inner state weakly.
//
// Threads.
// - Every member may be called from any thread. clients(), presets(for) take the manager's lock
//   themselves (shared) and return copies; changes take it exclusively. Nothing is called out
//   (notifications, logging, client calls) while the lock is held.
// - The discoverer calls the handlers on its own serial queue; they return at once. Connecting
//   work runs one operation at a time, in event order, on the manager's serial connection queue.
// - Notifications are posted after the lock is released, one at a time and in the order of the
//   changes, on the thread that made the change (the discoverer's queue, a connection task, a
//   preset observer, the reconnect task, the caller of setPresets) or on a thread still posting
//   earlier ones. Observers must not block and move to the GUI thread themselves.
//
// Notifications (no sender object). User info values:
//   kClientKey  ("client")  -> std::shared_ptr<device::VeltoClient>   (all four)
//   kPresetsKey ("presets") -> device::PresetNameList                 (the two preset ones)
// The client is the same object in all of them; cast it to device::PresetHandler with
// std::dynamic_pointer_cast when preset operations are needed.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/Clients/VeltoClient.h"
#include "device/Discoverer/DeviceDiscoverer.h"
#include "device/Discoverer/UserDiscoverer.h"
#include "device/Model/IPv4Address.h"
#include "device/Model/PresetNameList.h"
#include "net/Interface.h"
#include "platform/NotificationCenter.h"

namespace app {

// Ports, periods and time-outs of a DeviceManager; the defaults are the program's values.
struct DeviceManagerConfiguration {
  // The discoverer: its listen port and its options (discovery port, period, expiry window, send
  // time-out, interface list, clock). The same interface list decides which endpoints lie on a
  // local subnet.
  std::uint16_t discoveryListenPort = 6969;
  device::UserDiscovererOptions discovery;
  // Client listen ports are taken from here upwards, one per connect attempt; a port found taken
  // (the server cannot bind) is skipped, up to eight in one connect.
  std::uint16_t firstClientListenPort = 10000;
  // Options of every client made (ping period, online window, ...).
  device::VeltoClientOptions client;

  std::chrono::nanoseconds connectTimeout = std::chrono::seconds(2);      // first connection
  std::chrono::nanoseconds reconnectTimeout = std::chrono::seconds(5);    // each reconnect
  std::chrono::nanoseconds reconnectPeriod = std::chrono::seconds(10);    // pause between passes
  std::chrono::nanoseconds presetListTimeout = std::chrono::seconds(2);   // one preset-list request
  std::chrono::nanoseconds presetPollPeriod = std::chrono::seconds(2);    // pause between polls

  // Where the notifications go; null: platform::NotificationCenter::defaultCenter(). Not owned;
  // it must outlive the manager.
  platform::NotificationCenter* notificationCenter = nullptr;
};

class DeviceManager {
 public:
  using Configuration = DeviceManagerConfiguration;
  using Client = std::shared_ptr<device::VeltoClient>;

  // Notification names (each text is its own name).
  static constexpr const char* kSourceAdded = "DeviceManagerSourceAdded";      // a client (re)connected
  static constexpr const char* kSourceRemoved = "DeviceManagerSourceRemoved";  // a client was dropped
  static constexpr const char* kPresetsAdded = "DeviceManagerPresetsAdded";    // names appeared (first: all)
  static constexpr const char* kPresetsRemoved = "DeviceManagerPresetsRemoved";  // names went away
  // User-info keys.
  static constexpr const char* kClientKey = "client";    // std::shared_ptr<device::VeltoClient>
  static constexpr const char* kPresetsKey = "presets";  // device::PresetNameList

  // The program's manager with the default configuration, created on first use (thread-safe),
  // never destroyed. Throws what creating the discoverer throws (the next call tries again).
  static DeviceManager& shared();

  // Builds the manager and its discoverer (not started). Throws the discoverer's socket error.
  explicit DeviceManager(Configuration configuration = {});
  // stop().
  ~DeviceManager();
  DeviceManager(const DeviceManager&) = delete;
  DeviceManager& operator=(const DeviceManager&) = delete;

  const std::shared_ptr<device::DeviceDiscoverer>& discoverer() const;
  // Starts discovery; throws the discoverer's start error. `timeout` in nanoseconds (no effect,
  // kept for the discoverer's signature). Throws std::logic_error after stop().
  void startDiscoverer(std::uint64_t timeout = 1'000'000'000);
  // Starts the reconnect loop (first pass at once) and returns; a second call does nothing.
  void startReconnectTimer();
  // Ends discovery, the reconnect loop, the preset observers and pending connects, disconnects
  // every client and waits for all of it. Idempotent; must not be called from a notification
  // observer or a discovery handler.
  void stop();

  // The online clients, in the order they were first connected.
  std::vector<Client> clients() const;
  // Every kept client, online or not, in the same order (diagnostics and tests).
  std::vector<Client> allClients() const;
  // The device's last known preset-name list; none when the client has no device info (logged) or
  // no list was stored yet.
  std::optional<device::PresetNameList> presets(const device::VeltoClient& client) const;
  // Stores `presets` as the client's device's list and posts the differences (nothing for a client
  // without device info or after stop()); does not wait for the device. For windows that changed a
  // device's presets themselves.
  void setPresets(device::PresetNameList presets, Client client);

  // Whether `address` lies on a subnet of one of `interfaces` (up, running, not IPv6, with a
  // parsable IPv4 address and netmask).
  static bool isOnLocalSubnet(device::IPv4Address address, const std::vector<net::Interface>& interfaces);
  // Whether an endpoint address that a peer claims may get a client: on a local subnet, and not
  // 0.0.0.0, multicast, all-ones, nor the network or broadcast address of a local subnet with a
  // mask up to /30.
  static bool isUsableEndpoint(device::IPv4Address address, const std::vector<net::Interface>& interfaces);

  struct Core;  // the shared state (DeviceManager.cpp)

 private:
  std::shared_ptr<Core> core_;
};

}  // namespace app
