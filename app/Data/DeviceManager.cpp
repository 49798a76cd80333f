// DeviceManager: construction, the shared instance, the lists, the preset lists and the
// notification outbox.

#include "app/Data/DeviceManager.h"

#include <algorithm>
#include <stdexcept>

#include "app/Data/DeviceManagerCore.h"
#include "device/Clients/RandomClientUid.h"
#include <nlohmann/json.hpp>

#include "log/Tallylog.h"
#include "osc/DispatchQueue.h"

namespace app {

using tallylog::Tallylog;

namespace {

std::uint16_t counterStart(std::uint16_t first) {
  return first == 0 ? 0 : static_cast<std::uint16_t>(first - 1);
}

struct Subnet {
  device::IPv4Address address;
  device::IPv4Address mask;
};

// The IPv4 subnets of the interfaces that are up and running, with a parsable address and mask.
std::vector<Subnet> subnets(const std::vector<net::Interface>& interfaces) {
  std::vector<Subnet> result;
  for (const auto& interface : interfaces) {
    if (!interface.isUp() || !interface.isRunning() || interface.family() == net::Interface::Family::ipv6) continue;
    if (!interface.address() || !interface.netmask()) continue;
    const auto own = device::IPv4Address::fromString(*interface.address());
    const auto mask = device::IPv4Address::fromString(*interface.netmask());
    if (own && mask) result.push_back({*own, *mask});
  }
  return result;
}

bool contains(const std::vector<device::PresetName>& names, const device::PresetName& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The same entries in the same order, time stamps as received included (name equality leaves
// them out, so a preset saved again would otherwise keep its old stamp).
bool sameInEverything(const std::vector<device::PresetName>& x, const std::vector<device::PresetName>& y) {
  return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const auto& a, const auto& b) {
    return a == b && a.rawDate == b.rawDate;
  });
}

}  // namespace

// --- DeviceManager ---

DeviceManager& DeviceManager::shared() {
  static std::mutex mutex;
  static DeviceManager* instance = nullptr;  // never destroyed: the program calls stop() on quit
  std::lock_guard lock(mutex);
  if (!instance) instance = new DeviceManager();
  return *instance;
}

DeviceManager::DeviceManager(Configuration configuration) : core_(std::make_shared<Core>(std::move(configuration))) {
  core_->init();
}

DeviceManager::~DeviceManager() { stop(); }

const std::shared_ptr<device::DeviceDiscoverer>& DeviceManager::discoverer() const { return core_->discoverer; }

void DeviceManager::startDiscoverer(std::uint64_t timeout) {
  {
    std::shared_lock lock(core_->mutex);
    if (core_->stopped) throw std::logic_error("the device manager has stopped");
  }
  core_->discoverer->start(timeout);
}

void DeviceManager::startReconnectTimer() {
  std::unique_lock lock(core_->mutex);
  if (core_->stopped || core_->reconnectStarted) return;
  core_->reconnectStarted = true;
  std::weak_ptr<Core> weak = core_;
  core_->keepTaskLocked(async::spawn(async::poolExecutor(), [weak] { return Core::reconnectLoop(weak); }));
}

void DeviceManager::stop() { core_->stop(); }

std::vector<DeviceManager::Client> DeviceManager::clients() const { return core_->listed(true); }

std::vector<DeviceManager::Client> DeviceManager::allClients() const { return core_->listed(false); }

std::optional<device::PresetNameList> DeviceManager::presets(const device::VeltoClient& client) const {
  const auto info = client.deviceInfo();
  if (!info) {
    Tallylog::warning("uid not available", __FILE__, "presets(for:)", __LINE__);
    return std::nullopt;
  }
  std::shared_lock lock(core_->mutex);
  auto found = core_->presets.find(info->uid());
  if (found == core_->presets.end()) return std::nullopt;
  return found->second;
}

void DeviceManager::setPresets(device::PresetNameList presets, Client client) {
  if (client) core_->updatePresets(std::move(presets), client, false);
}

bool DeviceManager::isOnLocalSubnet(device::IPv4Address address, const std::vector<net::Interface>& interfaces) {
  const auto local = subnets(interfaces);
  return std::any_of(local.begin(), local.end(),
                     [&](const Subnet& s) { return address.isInSameSubnet(s.address, s.mask); });
}

bool DeviceManager::isUsableEndpoint(device::IPv4Address address, const std::vector<net::Interface>& interfaces) {
  const auto raw = address.rawValue();
  if (raw == 0 || raw == 0xFFFFFFFFu || address.isMulticast()) return false;
  bool local = false;
  for (const auto& subnet : subnets(interfaces)) {
    if (!address.isInSameSubnet(subnet.address, subnet.mask)) continue;
    const std::uint32_t host = ~subnet.mask.rawValue();
    // Subnets of /30 and wider have a network and a broadcast address; /31 and /32 have neither.
    if (host >= 3 && ((raw & host) == 0 || (raw & host) == host)) return false;
    local = true;
  }
  return local;
}

// --- Core: construction and lists ---

DeviceManager::Core::Core(Configuration config)
    : configuration(std::move(config)),
      center(configuration.notificationCenter ? *configuration.notificationCenter
                                              : platform::NotificationCenter::defaultCenter()),
      clientListenPort(counterStart(configuration.firstClientListenPort)) {}

void DeviceManager::Core::init() {
  std::weak_ptr<Core> weak = weak_from_this();
  discoverer = device::DeviceDiscoverer::make(
      osc::DispatchQueue::make("Velto Device Discoverer"), configuration.discoveryListenPort,
      device::randomClientUid(), "macOS", device::SoftwareVersion(5, 7, 13),
      [weak](const Device& d) {
        if (auto core = weak.lock()) core->newDeviceFound(d);
      },
      [weak](const Device& d) {
        if (auto core = weak.lock()) core->deviceWentOffline(d);
      },
      [weak](const Device& d, const Endpoint& e) {
        if (auto core = weak.lock()) core->deviceAddedEndpoint(d, e);
      },
      [weak](const Device& d, const Endpoint& e) {
        if (auto core = weak.lock()) core->deviceRemovedEndpoint(d, e);
      },
      configuration.discovery);
}

std::vector<DeviceManager::Client> DeviceManager::Core::listed(bool onlineOnly) const {
  std::vector<Client> all;
  {
    std::shared_lock lock(mutex);
    for (const auto& entry : entries) all.push_back(entry.client);
  }
  if (onlineOnly) std::erase_if(all, [](const Client& client) { return !client->isOnline(); });
  return all;
}

bool DeviceManager::Core::matches(const Entry& entry, const Device& device) const {
  if (const auto info = entry.client->deviceInfo()) {
    return info->serialNumber() == device.serialNumber && info->type() == device.type;
  }
  return entry.device == device;
}

bool DeviceManager::Core::isListedLocked(const Client& client) const {
  return std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.client == client; });
}

DeviceManager::Core::Dropped DeviceManager::Core::dropLocked(std::size_t index) {
  Dropped dropped{std::move(entries[index].client), std::move(entries[index].observer)};
  entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
  queueLocked(kSourceRemoved, dropped.client);
  return dropped;
}

void DeviceManager::Core::finish(std::vector<Dropped> dropped) {
  for (auto& d : dropped) {
    if (d.observer) d.observer->cancel();
    d.client->disconnect();
  }
}

void DeviceManager::Core::updatePresets(device::PresetNameList list, const Client& client, bool onlyListed) {
  const auto info = client->deviceInfo();
  if (!info) return;
  {
    std::unique_lock lock(mutex);
    if (stopped || (onlyListed && !isListedLocked(client))) return;
    auto stored = presets.find(info->uid());
    if (stored == presets.end()) {
      presets.emplace(info->uid(), list);
      queueLocked(kPresetsAdded, client, std::move(list));
    } else if (!sameInEverything(stored->second.names, list.names)) {
      // Stored whatever differs; posted are only the names that came or went (none for a new stamp).
      device::PresetNameList added;
      device::PresetNameList removed;
      for (const auto& name : list.names) {
        if (!contains(stored->second.names, name)) added.append(name);
      }
      for (const auto& name : stored->second.names) {
        if (!contains(list.names, name)) removed.append(name);
      }
      stored->second = std::move(list);
      if (added.count() > 0) queueLocked(kPresetsAdded, client, std::move(added));
      if (removed.count() > 0) queueLocked(kPresetsRemoved, client, std::move(removed));
    }
  }
  deliver();
}

std::vector<net::Interface> DeviceManager::Core::interfaces() const {
  try {
    return configuration.discovery.interfaces();
  } catch (const std::exception& error) {
    Tallylog::warning("could not list the network interfaces", __FILE__, "client(for:endpoint:)", __LINE__,
                      std::make_shared<const nlohmann::json>(error.what()));
    return {};
  }
}

// --- Core: notifications ---

void DeviceManager::Core::queueLocked(const char* name, const Client& client,
                                      std::optional<device::PresetNameList> list) {
  platform::UserInfo info{{kClientKey, client}};
  if (list) info.emplace(kPresetsKey, std::move(*list));
  std::lock_guard lock(outboxMutex);
  outbox.push_back(platform::Notification{name, nullptr, std::move(info)});
}

void DeviceManager::Core::deliver() {
  for (;;) {
    platform::Notification next;
    {
      std::lock_guard lock(outboxMutex);
      if (delivering) return;
      if (outbox.empty()) return;
      next = std::move(outbox.front());
      outbox.pop_front();
      delivering = true;
    }
    center.post(next);
    std::lock_guard lock(outboxMutex);
    delivering = false;
  }
}

}  // namespace app
