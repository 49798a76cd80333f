// DeviceManager: the discoverer's four events. They run on the discoverer's queue and return at
// once: drops happen here, connecting work goes to the serial connection queue.

#include "app/Data/DeviceManagerCore.h"
#include "log/Tallylog.h"

namespace app {

using tallylog::Tallylog;

void DeviceManager::Core::newDeviceFound(const Device& device) {
  Tallylog::info("new device found " + device.description(), __FILE__, "newDeviceFound(_:)", __LINE__);
  enqueueConnect(device, std::nullopt, false);
}

void DeviceManager::Core::deviceAddedEndpoint(const Device& device, const Endpoint& endpoint) {
  enqueueAddedEndpoint(device, endpoint);
}

void DeviceManager::Core::deviceRemovedEndpoint(const Device& device, const Endpoint& endpoint) {
  Tallylog::info("removed endpoint " + endpoint.description(), __FILE__, "deviceRemovedEndpoint(_:_:)", __LINE__);
  std::vector<Dropped> dropped;
  {
    std::unique_lock lock(mutex);
    const auto ip = endpoint.ip.description();
    for (std::size_t k = 0; k < entries.size(); ++k) {
      const auto& client = *entries[k].client;
      if (client.deviceIP() == ip && client.devicePort() == endpoint.port && matches(entries[k], device)) {
        dropped.push_back(dropLocked(k));
        break;
      }
    }
  }
  deliver();
  finish(std::move(dropped));
  // Reach the device through another endpoint, unless a client of it is left.
  enqueueConnect(device, std::nullopt, true);
}

void DeviceManager::Core::deviceWentOffline(const Device& device) {
  Tallylog::info("device went offline " + device.description(), __FILE__, "deviceWentOffline(_:)", __LINE__);
  std::vector<Dropped> dropped;
  {
    std::unique_lock lock(mutex);
    for (std::size_t k = 0; k < entries.size(); ++k) {
      if (matches(entries[k], device)) {
        dropped.push_back(dropLocked(k));
        break;
      }
    }
  }
  deliver();
  finish(std::move(dropped));
}

void DeviceManager::Core::enqueueConnect(Device device, std::optional<Endpoint> endpoint, bool onlyWhenNoClient) {
  std::weak_ptr<Core> weak = weak_from_this();
  std::unique_lock lock(mutex);
  if (stopped) return;
  if (onlyWhenNoClient) {
    keepTaskLocked(connectionQueue.addOperation(
        [weak, device = std::move(device)] { return connectIfNoClient(weak, device); }));
  } else {
    keepTaskLocked(connectionQueue.addOperation(
        [weak, device = std::move(device), endpoint] { return connect(weak, device, endpoint); }));
  }
}

void DeviceManager::Core::enqueueAddedEndpoint(Device device, Endpoint endpoint) {
  std::weak_ptr<Core> weak = weak_from_this();
  std::unique_lock lock(mutex);
  if (stopped) return;
  keepTaskLocked(connectionQueue.addOperation(
      [weak, device = std::move(device), endpoint] { return addedEndpoint(weak, device, endpoint); }));
}

}  // namespace app
