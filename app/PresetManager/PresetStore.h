#pragma once
// What the preset manager window reads and writes of the device manager: the online clients, the
// last preset-name list of each device, the storing of a fresh list, and the center on which the
// device manager posts its four notifications (DeviceManager::kSourceAdded and so on). The
// program passes the device manager (DeviceManagerPresetStore); tests pass their own store.
// Every member may be called from any thread; the store outlives the window and its tasks.

#include <memory>
#include <optional>
#include <vector>

#include "app/Data/DeviceManager.h"
#include "device/Clients/VeltoClient.h"
#include "device/Model/PresetNameList.h"
#include "platform/NotificationCenter.h"

namespace app {

class PresetStore {
 public:
  using Client = std::shared_ptr<device::VeltoClient>;

  virtual ~PresetStore() = default;
  virtual std::vector<Client> clients() const = 0;
  virtual std::optional<device::PresetNameList> presets(const device::VeltoClient& client) const = 0;
  // Stores the list and posts the names that came and went; may return before that.
  virtual void setPresets(device::PresetNameList presets, Client client) = 0;
  virtual platform::NotificationCenter& notificationCenter() const = 0;
};

class DeviceManagerPresetStore : public PresetStore {
 public:
  // `center` must be the one the manager posts on.
  DeviceManagerPresetStore(DeviceManager& manager, platform::NotificationCenter& center)
      : manager_(manager), center_(center) {}

  std::vector<Client> clients() const override { return manager_.clients(); }
  std::optional<device::PresetNameList> presets(const device::VeltoClient& client) const override {
    return manager_.presets(client);
  }
  void setPresets(device::PresetNameList presets, Client client) override {
    manager_.setPresets(std::move(presets), std::move(client));
  }
  platform::NotificationCenter& notificationCenter() const override { return center_; }

 private:
  DeviceManager& manager_;
  platform::NotificationCenter& center_;
};

}  // namespace app
