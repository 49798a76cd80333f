#include "device/Discoverer/DeviceDiscoverer.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

#include "log/Tallylog.h"

namespace device {

namespace {

std::optional<DeviceDiscoverer::Endpoint> endpointOf(const UserInfo::Device& device) {
  const auto ip = IPv4Address::fromString(device.ip());
  if (!ip) return std::nullopt;
  return DeviceDiscoverer::Endpoint{*ip, device.port()};
}

}  // namespace

void DeviceDiscoverer::Event::call() const {
  if (!result) return;
  if (endpoint) {
    if (endpointHandler) endpointHandler(*result, *endpoint);
  } else if (deviceHandler) {
    deviceHandler(*result);
  }
}

std::string DeviceDiscoverer::Endpoint::description() const {
  return ip.description() + ":" + std::to_string(port);
}

std::string DeviceDiscoverer::Result::description() const {
  std::string text = name + " - [";
  for (std::size_t i = 0; i < endpoints.size(); ++i) {
    if (i > 0) text += ", ";
    text += endpoints[i].description();
  }
  return text + "] " + type.description() + ":" + uid;
}

std::shared_ptr<DeviceDiscoverer> DeviceDiscoverer::make(
    std::shared_ptr<osc::DispatchQueue> queue, std::uint16_t listenPort, std::string clientUid, std::string clientOS,
    SoftwareVersion clientVersion, DeviceHandler newDeviceHandler, DeviceHandler offlineDeviceHandler,
    EndpointHandler addedEndPointHandler, EndpointHandler removedEndPointHandler, UserDiscoverer::Options options) {
  auto discoverer = std::make_shared<DeviceDiscoverer>(Passkey{}, queue, options.maximumDevices);
  std::weak_ptr<DeviceDiscoverer> weak = discoverer;
  discoverer->userDiscoverer_ = UserDiscoverer::make(
      std::move(queue), listenPort, std::move(clientUid), std::move(clientOS), clientVersion,
      [weak](const UserDiscoverer::Result& record) {
        if (auto self = weak.lock()) self->newUserFound(record);
      },
      [weak](const UserDiscoverer::Result& old, const UserDiscoverer::Result& updated) {
        if (auto self = weak.lock()) self->userChanged(old, updated);
      },
      [weak](const UserDiscoverer::Result& record) {
        if (auto self = weak.lock()) self->userWentOffline(record);
      },
      std::move(options));
  discoverer->newDeviceHandler_ = std::move(newDeviceHandler);
  discoverer->offlineDeviceHandler_ = std::move(offlineDeviceHandler);
  discoverer->addedEndPointHandler_ = std::move(addedEndPointHandler);
  discoverer->removedEndPointHandler_ = std::move(removedEndPointHandler);
  return discoverer;
}

DeviceDiscoverer::DeviceDiscoverer(Passkey, std::shared_ptr<osc::DispatchQueue> queue, std::size_t maximumDevices)
    : queue_(std::move(queue)), maximumDevices_(maximumDevices) {}

void DeviceDiscoverer::start(std::uint64_t) { userDiscoverer_->start(); }

void DeviceDiscoverer::stop() {
  userDiscoverer_->stop();
  // The user discoverer has forgotten its users without reporting them, so nothing would ever
  // report them offline: the endpoints stay, but only users heard after the next start keep them.
  // On the queue, so that a reply being folded right now is forgotten too.
  queue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->forgetPathUsers();
  });
}

void DeviceDiscoverer::forgetPathUsers() {
  std::lock_guard lock(mutex_);
  for (auto& entry : devices_) {
    for (auto& users : entry.pathUsers) users.clear();
  }
}

void DeviceDiscoverer::discover() { userDiscoverer_->discover(); }

std::vector<DeviceDiscoverer::Result> DeviceDiscoverer::discoveredDevices() const {
  std::lock_guard lock(mutex_);
  std::vector<Result> results;
  results.reserve(devices_.size());
  for (const auto& entry : devices_) results.push_back(entry.result);
  return results;
}

std::list<DeviceDiscoverer::Entry>::iterator DeviceDiscoverer::find(const UserInfo::Device& device) {
  const auto found = index_.find(UserDiscoverer::deviceKey(device));
  return found == index_.end() ? devices_.end() : found->second;
}

void DeviceDiscoverer::newUserFound(const UserDiscoverer::Result& record) {
  const auto& device = record.userInfo.device();
  const auto& user = record.userInfo.user();
  const auto endpoint = endpointOf(device);
  if (!endpoint) return;
  const PathUser pathUser{user.number(), device.ip()};

  Event event;
  std::optional<std::string> warning;
  std::string warnedDevice;
  {
    std::lock_guard lock(mutex_);
    const auto found = find(device);
    if (found == devices_.end()) {
      if (devices_.size() >= maximumDevices_) {
        if (std::exchange(warnedFull_, true)) return;
        warning = "too many devices, new ones ignored";
      } else {
        Result result{device.serialNumber(),   device.type(),           {*endpoint},  device.version(), device.name(),
                      device.numberOfInputs(), device.numberOfOutputs(), device.uid(), {user}};
        const auto added = devices_.insert(devices_.end(), Entry{result, {{pathUser}}});
        index_.emplace(UserDiscoverer::deviceKey(device), added);
        event = {newDeviceHandler_, {}, std::move(result), std::nullopt};
      }
    } else {
      auto& result = found->result;
      const bool knownNumber = std::any_of(result.users.begin(), result.users.end(),
                                           [&](const UserInfo::User& u) { return u.number() == user.number(); });
      const bool usersFull = !knownNumber && result.users.size() >= kMaximumUsersPerDevice;
      if (!knownNumber && !usersFull) result.users.push_back(user);
      const auto known = std::find(result.endpoints.begin(), result.endpoints.end(), *endpoint);
      const bool endpointsFull = known == result.endpoints.end() && result.endpoints.size() >= kMaximumEndpointsPerDevice;
      if ((usersFull || endpointsFull) && !std::exchange(found->warned, true)) {
        warning = "too many users or paths of a device, new ones ignored";
        warnedDevice = result.description();
      }
      if (known != result.endpoints.end()) {
        found->pathUsers[static_cast<std::size_t>(known - result.endpoints.begin())].insert(pathUser);
      } else if (!endpointsFull) {
        result.endpoints.push_back(*endpoint);
        found->pathUsers.push_back({pathUser});
        event = {{}, addedEndPointHandler_, result, endpoint};
      }
    }
  }
  if (warning) {
    tallylog::Tallylog::Context context;
    if (!warnedDevice.empty()) context = std::make_shared<const nlohmann::json>(std::move(warnedDevice));
    tallylog::Tallylog::warning(*warning, __FILE__, "newUserFound(_:)", __LINE__, std::move(context));
  }
  event.call();
}

void DeviceDiscoverer::userChanged(const UserDiscoverer::Result& old, const UserDiscoverer::Result& updated) {
  std::lock_guard lock(mutex_);
  const auto found = find(old.userInfo.device());
  if (found == devices_.end()) return;
  auto& users = found->result.users;
  const auto user = std::find_if(users.begin(), users.end(), [&](const UserInfo::User& u) {
    return u.number() == old.userInfo.user().number();
  });
  if (user != users.end()) *user = updated.userInfo.user();
}

void DeviceDiscoverer::userWentOffline(const UserDiscoverer::Result& record) {
  const auto& device = record.userInfo.device();
  const auto endpoint = endpointOf(device);
  if (!endpoint) return;

  Event event;
  {
    std::lock_guard lock(mutex_);
    const auto found = find(device);
    if (found == devices_.end()) return;
    auto& endpoints = found->result.endpoints;
    const auto known = std::find(endpoints.begin(), endpoints.end(), *endpoint);
    if (known == endpoints.end()) return;
    const auto index = static_cast<std::size_t>(known - endpoints.begin());
    auto& pathUsers = found->pathUsers[index];
    pathUsers.erase({record.userInfo.user().number(), device.ip()});
    // Other users of the device still answer on this path.
    if (!pathUsers.empty()) return;

    Result before = found->result;
    endpoints.erase(known);
    found->pathUsers.erase(found->pathUsers.begin() + static_cast<std::ptrdiff_t>(index));
    if (endpoints.empty()) {
      index_.erase(UserDiscoverer::deviceKey(device));
      devices_.erase(found);
      warnedFull_ = false;
      event = {offlineDeviceHandler_, {}, std::move(before), std::nullopt};
    } else {
      event = {{}, removedEndPointHandler_, found->result, endpoint};
    }
  }
  event.call();
}

}  // namespace device
