#pragma once
// The window's store without a device manager: online clients and stored lists in memory, and the
// four notifications posted on its own center, as the device manager posts them.

#include <map>
#include <mutex>
#include <utility>

#include "app/Data/DeviceManager.h"
#include "app/PresetManager/PresetStore.h"

namespace app::testing {

class FakePresetStore : public PresetStore {
 public:
  std::vector<Client> clients() const override {
    std::lock_guard lock(mutex_);
    return online_;
  }
  std::optional<device::PresetNameList> presets(const device::VeltoClient& client) const override {
    std::lock_guard lock(mutex_);
    auto found = lists_.find(&client);
    if (found == lists_.end()) return std::nullopt;
    return found->second;
  }
  void setPresets(device::PresetNameList presets, Client client) override {
    {
      std::lock_guard lock(mutex_);
      lists_[client.get()] = presets;
    }
    center_.post(DeviceManager::kPresetsAdded, nullptr,
                 {{DeviceManager::kClientKey, client}, {DeviceManager::kPresetsKey, std::move(presets)}});
  }
  platform::NotificationCenter& notificationCenter() const override { return center_; }

  // A device connects (listed at once, announced after) or goes.
  void connect(const Client& client) {
    {
      std::lock_guard lock(mutex_);
      online_.push_back(client);
    }
    center_.post(DeviceManager::kSourceAdded, nullptr, {{DeviceManager::kClientKey, client}});
  }
  void disconnect(const Client& client) {
    {
      std::lock_guard lock(mutex_);
      std::erase(online_, client);
    }
    center_.post(DeviceManager::kSourceRemoved, nullptr, {{DeviceManager::kClientKey, client}});
  }

 private:
  mutable std::mutex mutex_;
  mutable platform::NotificationCenter center_;
  std::vector<Client> online_;
  std::map<const device::VeltoClient*, device::PresetNameList> lists_;
};

}  // namespace app::testing
