#pragma once
// Syncing devices: the user picks at least two processors or companion apps, may choose a folder
// for a local copy, and a device::PresetManager brings the devices and that folder into step. With
// no folder chosen the library is a new private folder, removed when the sync has ended, so no
// stale or foreign file reaches the devices. The manager's progress drives the "Syncing Devices"
// sheet through the GUI thread; afterwards every chosen device's list is fetched and stored. A
// failure shows its alert; Cancel stops before the next device step, silently; a sheet still up
// when the sync ended short of its total is closed.
//
// GUI thread; the task holds the host, the manager and the private folder until it ends.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetOperationHost.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/TaskHandle.h"
#include "device/Presets/PresetManager.h"

namespace app {

class PrivateFolder;

class DeviceSync {
 public:
  using Client = PresetOperationHost::Client;

  static constexpr std::uint64_t presetListTimeout = 5'000'000'000;

  explicit DeviceSync(std::shared_ptr<PresetOperationHost> host) : host_(std::move(host)) {}

  // The sources the sync offers, in list order.
  std::vector<Client> candidates() const;
  // The window's sync action: a device selector over the candidates.
  void chooseDevicesToSync();
  // The selector's choice: the alert for fewer than two, else the local-copy question, the
  // folder, `closeSelector`, and the sync task with its sheet. None when nothing started.
  std::optional<async::TaskHandle<void>> startSync(const std::vector<Client>& clients,
                                                   const std::function<void()>& closeSelector);

  // "Backup" / "Would you also like to create a local copy of the synced presets?"; true for Yes.
  static bool askToBackUpSyncedPresets(QWidget* window);

  static boost::asio::awaitable<void> runSync(std::shared_ptr<PresetOperationHost> host,
                                              std::shared_ptr<device::PresetManager> manager,
                                              std::vector<Client> clients,
                                              std::shared_ptr<PrivateFolder> privateLibrary, CancelFlag cancel);

 private:
  std::shared_ptr<PresetOperationHost> host_;
};

}  // namespace app
