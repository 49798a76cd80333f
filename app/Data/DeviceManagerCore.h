#pragma once
// The shared state behind a DeviceManager (internal to app/Data). The discoverer's handlers, the
// connection operations, the preset observers and the reconnect loop hold it weakly; the
// DeviceManager owns it.
//
// Locks: `mutex` guards the client entries, the preset lists, the port counter, the task handles
// and `stopped`. Notifications decided under it go into the outbox in the order of the changes and
// are posted by deliver() after the lock is released (outboxMutex is taken inside `mutex`, never
// the other way round, and never while posting). Clients are disconnected and tasks cancelled
// outside the lock.

#include <deque>
#include <memory>
#include <map>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "app/Data/DeviceManager.h"
#include "async/AsyncQueue.h"
#include "async/TaskHandle.h"
#include "device/Clients/ClientLog.h"
#include "device/Presets/PresetHandler.h"

namespace app {

// A duration as the unsigned nanosecond count the clients take (negative: zero).
inline std::uint64_t nanoseconds(std::chrono::nanoseconds duration) {
  return duration.count() < 0 ? 0 : static_cast<std::uint64_t>(duration.count());
}

using device::errorText;

struct DeviceManager::Core : std::enable_shared_from_this<Core> {
  using Device = device::DeviceDiscoverer::Result;
  using Endpoint = device::DeviceDiscoverer::Endpoint;
  using Client = DeviceManager::Client;

  // One kept client, with the device it was made for and its preset observer.
  struct Entry {
    Client client;
    Device device;
    std::optional<async::TaskHandle<void>> observer;
  };

  // A client taken out of the list: disconnect it and end its observer (outside the lock).
  struct Dropped {
    Client client;
    std::optional<async::TaskHandle<void>> observer;
  };

  explicit Core(Configuration configuration);
  // Creates the discoverer with handlers holding this core weakly.
  void init();

  // --- Lists (DeviceManager.cpp). ---
  std::vector<Client> listed(bool onlineOnly) const;
  // The client's device: its device info when present, else the device it was made for.
  bool matches(const Entry& entry, const Device& device) const;
  bool isListedLocked(const Client& client) const;
  // Removes the entry at `index`, queues DeviceManagerSourceRemoved; under the lock.
  Dropped dropLocked(std::size_t index);
  static void finish(std::vector<Dropped> dropped);
  // Stores the list under the client's device uid and queues the differences. Skipped without
  // device info, after stop(), and with `onlyListed` for a client no longer listed.
  void updatePresets(device::PresetNameList list, const Client& client, bool onlyListed);
  std::vector<net::Interface> interfaces() const;

  // --- Notifications (DeviceManager.cpp). ---
  void queueLocked(const char* name, const Client& client,
                   std::optional<device::PresetNameList> presets = std::nullopt);
  // Posts what the outbox holds, in order; a call made while another thread delivers leaves the
  // work to that thread.
  void deliver();

  // --- Discovery events (DeviceManagerEvents.cpp). Called on the discoverer's queue. ---
  void newDeviceFound(const Device& device);
  void deviceAddedEndpoint(const Device& device, const Endpoint& endpoint);
  void deviceRemovedEndpoint(const Device& device, const Endpoint& endpoint);
  void deviceWentOffline(const Device& device);
  // Adds one operation to the connection queue (nothing after stop()).
  void enqueueConnect(Device device, std::optional<Endpoint> endpoint, bool onlyWhenNoClient);
  void enqueueAddedEndpoint(Device device, Endpoint endpoint);

  // --- Connecting (DeviceManagerConnect.cpp). ---
  // A new, unconnected client of the device's kind, or none (logged where the cause is worth it).
  Client client(const Device& device, const std::optional<Endpoint>& endpoint, std::uint16_t listenPort) const;
  static boost::asio::awaitable<void> connect(std::weak_ptr<Core> weak, Device device,
                                              std::optional<Endpoint> endpoint);
  static boost::asio::awaitable<void> addedEndpoint(std::weak_ptr<Core> weak, Device device, Endpoint endpoint);
  static boost::asio::awaitable<void> connectIfNoClient(std::weak_ptr<Core> weak, Device device);
  // The first connection of a new client: the kind's own start, awaited.
  static boost::asio::awaitable<void> start(const Client& client, const Device& device,
                                            std::chrono::nanoseconds timeout);

  // --- Running tasks (DeviceManagerTasks.cpp). ---
  // Starts the client's preset observer, cancelling the one it had; under the lock.
  void startPresetObserverLocked(Entry& entry);
  static boost::asio::awaitable<void> observePresets(std::weak_ptr<Core> weak, Client client,
                                                     device::PresetHandler* handler);
  static boost::asio::awaitable<void> reconnectLoop(std::weak_ptr<Core> weak);
  static boost::asio::awaitable<void> reconnect(std::shared_ptr<Core> core, Client client);
  // The device a listed client was made for.
  std::optional<Device> deviceOfLocked(const Client& client) const;
  void keepTaskLocked(async::TaskHandle<void> task);
  void stop();

  const Configuration configuration;
  platform::NotificationCenter& center;
  std::shared_ptr<device::DeviceDiscoverer> discoverer;
  async::AsyncQueue connectionQueue;

  mutable std::shared_mutex mutex;
  std::vector<Entry> entries;
  std::map<std::string, device::PresetNameList> presets;
  std::uint16_t clientListenPort;  // the last one handed out
  bool stopped = false;
  bool reconnectStarted = false;
  std::vector<async::TaskHandle<void>> tasks;  // every task started and not yet seen finished
  std::vector<Client> connecting;              // clients in their first connection

  std::mutex stopMutex;  // serialises stop()

  std::mutex outboxMutex;
  std::deque<platform::Notification> outbox;
  bool delivering = false;
};

}  // namespace app
