#pragma once
// Backing devices up into a folder the user chooses: one folder per device (serial number, " - ",
// name; the name alone when the two are equal), one file per preset (base name and extension),
// holding the document as the device returned it. The presets are those of the device manager's
// stored list, without defaults and backups; they are fetched one at a time by one main task under
// the "Backup Device(s)" sheet. The first failure ends the backup with an alert; Cancel ends it at
// the next device or preset, silently. Names from devices that cannot be a file name are refused
// with the folder's or the file's alert; a sheet still up when the work ended is closed.
//
// GUI thread; the task holds the host until it ends.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "app/PresetManager/PresetOperationHost.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/TaskHandle.h"

namespace app {

class DeviceBackup {
 public:
  using Client = PresetOperationHost::Client;

  static constexpr int receiveRetries = 2;
  static constexpr std::uint64_t receiveTimeout = 5'000'000'000;

  explicit DeviceBackup(std::shared_ptr<PresetOperationHost> host) : host_(std::move(host)) {}

  // The window's backup action: a device selector over every source.
  void showBackupDeviceSelector();
  // The selector's choice: an alert for none, else backupClients. True when the selector may close.
  bool backupSelected(const std::vector<Client>& clients);

  // The folder chooser of the backup and the sync; none when cancelled.
  static std::optional<std::filesystem::path> chooseBackupFolder(QWidget* parent);

  // The number of presets the backup of `clients` transfers; -1 after an alert.
  int countBackupPresets(const std::vector<Client>& clients);

  // Asks for the folder, counts, starts the task and shows the sheet; none when it did not start.
  std::optional<async::TaskHandle<void>> backupClients(const std::vector<Client>& clients);

  static boost::asio::awaitable<void> runBackup(std::shared_ptr<PresetOperationHost> host,
                                                std::vector<Client> clients, std::filesystem::path folder,
                                                int total, CancelFlag cancel);

 private:
  std::shared_ptr<PresetOperationHost> host_;
};

}  // namespace app
