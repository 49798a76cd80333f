#pragma once
// Test support of the preset manager window: a device client with scripted preset operations, the
// window's store in memory, and list helpers.

#include <chrono>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractItemModel>
#include <QStringList>

#include "app/Data/DeviceManager.h"
#include "app/PresetManager/PresetStore.h"
#include "async/Cancellation.h"
#include "device/Clients/VeltoClient.h"
#include "device/Model/PresetNameList.h"
#include "device/Presets/PresetHandler.h"

namespace app::testing {

// A device's list from list texts ("Name (PRESET)", "Show (USER SHOW)", ...).
inline device::PresetNameList presetNames(std::initializer_list<const char*> texts) {
  device::PresetNameList list;
  for (const char* text : texts) list.append(device::PresetName(std::string_view(text)));
  return list;
}

// The display texts of one column, top to bottom.
inline QStringList columnTexts(const QAbstractItemModel& model, int column = 0) {
  QStringList texts;
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, column).data().toString();
  return texts;
}

// A real VeltoClient (aimed at a simulated device when a test wants its identify()), whose device info
// and type the test sets, and whose PresetHandler operations work on a name list in memory. Used from
// the GUI thread only (main tasks).
class FakePresetClient : public device::VeltoClient, public device::PresetHandler {
 public:
  FakePresetClient(Key key, std::string ip, std::uint16_t port, std::vector<device::PresetType> types,
                   Options options = {})
      : VeltoClient(key, std::move(ip), port, 0, std::nullopt, std::nullopt, "tbraxl", device::SoftwareVersion(1, 0, 0),
                    options),
        types_(std::move(types)) {}

  // Types: processor (presets only), app (presets and user shows), controller (user shows only).
  static std::shared_ptr<FakePresetClient> make(std::string ip, std::optional<std::string> name,
                                                std::optional<device::DeviceType> type, std::uint16_t port = 9000,
                                                Options options = {}) {
    using device::PresetType;
    std::vector<PresetType> types{PresetType::preset};
    if (type && type->value() == device::DeviceType::Value::app) types = {PresetType::preset, PresetType::userShow};
    if (type && type->value() == device::DeviceType::Value::rotaver) types = {PresetType::userShow};
    auto client = VeltoClient::make<FakePresetClient>(std::move(ip), port, std::move(types), options);
    client->withState([&](State& state) {
      state.deviceType = type;
      if (name) {
        state.deviceInfo = device::UserInfo::Device("SN-" + *name, type.value_or(device::DeviceType::pelion(4)),
                                                    client->VeltoClient::deviceIP(), port,
                                                    device::SoftwareVersion(3, 0, 0), *name, 8, 4, "UID-" + *name);
      }
    });
    return client;
  }

  // --- Script and record. ---
  device::PresetNameList list;
  std::set<std::string> failingDeletes;  // names whose deletion fails
  std::optional<std::string> loadError;  // a load throws this text
  std::chrono::milliseconds delay{0};    // each deletion waits this long (cancellable)
  std::vector<std::string> deleted;
  std::vector<std::string> loaded;
  int listRequests = 0;
  // Runs as each deletion begins (to look at the progress sheet then).
  std::function<void(const device::PresetName&)> onDelete;

  // --- PresetHandler. ---
  std::string deviceIP() const override { return VeltoClient::deviceIP(); }
  std::uint16_t devicePort() const override { return VeltoClient::devicePort(); }
  std::uint16_t listenPort() const override { return VeltoClient::listenPort(); }
  bool isOnline() const override { return true; }
  std::string description() const override { return VeltoClient::description(); }
  std::shared_ptr<device::PresetSegmentHandler> presetSegmentHandler() const override { return segments_; }
  std::vector<device::PresetType> supportedPresetTypes() const override { return types_; }

  Task<device::PresetNameList> requestPresetList(std::uint64_t) override {
    ++listRequests;
    co_return list;
  }
  Task<void> loadPreset(device::PresetName name, std::uint64_t) override {
    if (loadError) throw std::runtime_error(*loadError);
    loaded.push_back(name.name);
    co_return;
  }
  Task<void> deletePreset(device::PresetName name, bool) override {
    if (onDelete) onDelete(name);
    if (delay.count() > 0) co_await async::sleep(delay);
    if (failingDeletes.count(name.name) != 0) throw std::runtime_error("File not found.");
    for (auto it = list.names.begin(); it != list.names.end(); ++it) {
      if (*it == name) {
        list.names.erase(it);
        break;
      }
    }
    deleted.push_back(name.name);
  }
  Task<bool> sendPreset(std::vector<std::uint8_t>, device::PresetName, bool) override { throw unsupported(); }
  Task<device::PresetData> receivePreset(device::PresetName, int, std::uint64_t) override { throw unsupported(); }
  Task<void> savePreset(device::PresetName, std::uint64_t) override { throw unsupported(); }

 private:
  static std::logic_error unsupported() { return std::logic_error("not scripted"); }

  std::vector<device::PresetType> types_;
  std::shared_ptr<device::PresetSegmentHandler> segments_ = device::PresetSegmentHandler::make();
};

// The window's store without a device manager: online clients and stored lists in memory, and the
// four notifications posted on its own center, as the device manager posts them.
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
