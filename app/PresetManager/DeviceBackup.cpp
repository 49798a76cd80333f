#include "app/PresetManager/DeviceBackup.h"

#include <exception>
#include <system_error>

#include "app/Dialogs.h"
#include "app/MainTask.h"
#include "app/PresetManager/PresetFiles.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "async/Cancellation.h"

namespace app {

namespace fs = std::filesystem;

namespace {

// The presets a backup transfers of a stored list.
std::vector<device::PresetName> backupPresets(const device::PresetNameList& list,
                                              const PresetOperationHost::Client& client) {
  return list.filtered(client->supportedPresetTypes(), false, false);
}

// The backup's alert; closes the sheet when it is up.
void fail(PresetOperationHost& host, const std::string& text) {
  showErrorMessage(host.window(), text);
  host.closeProgress();
}

// What the count and the task need of a device: its info and list, or the count's alert text.
struct BackupSource {
  std::optional<PresetDeviceInfo> info;
  std::vector<device::PresetName> presets;
  std::string missing;
};

BackupSource backupSource(const PresetOperationHost& host, const PresetOperationHost::Client& client) {
  BackupSource source;
  source.info = host.deviceInfo(client);
  if (!source.info) {
    source.missing = "no device infos available for " + host.deviceIP(client);
    return source;
  }
  auto stored = host.storedPresets(client);
  if (!stored) {
    source.missing = "no presets available for " + host.deviceIP(client);
    return source;
  }
  source.presets = backupPresets(*stored, client);
  return source;
}

}  // namespace

void DeviceBackup::showBackupDeviceSelector() {
  auto choice = [](const std::shared_ptr<PresetOperationHost>& host, std::vector<Client> clients,
                   std::function<void()> closeSelector) {
    if (DeviceBackup(host).backupSelected(clients)) closeSelector();
  };
  presentDeviceSelector(host_, host_->sourceClients(), "Choose the devices you\u2019d like to back up.", choice);
}

bool DeviceBackup::backupSelected(const std::vector<Client>& clients) {
  if (clients.empty()) {
    showErrorMessage(host_->window(), "Please select at least one device!");
    return false;
  }
  backupClients(clients);
  return true;
}

std::optional<fs::path> DeviceBackup::chooseBackupFolder(QWidget* parent) {
  return dialogs().chooseFolder(parent, {"Backup Device(s)", "Select a directory for backing up your presets."});
}

int DeviceBackup::countBackupPresets(const std::vector<Client>& clients) {
  int total = 0;
  for (const auto& client : clients) {
    auto source = backupSource(*host_, client);
    if (!source.info || !source.missing.empty()) {
      fail(*host_, source.missing);
      return -1;
    }
    total += static_cast<int>(source.presets.size());
  }
  return total;
}

std::optional<async::TaskHandle<void>> DeviceBackup::backupClients(const std::vector<Client>& clients) {
  auto folder = chooseBackupFolder(host_->window());
  if (!folder) return std::nullopt;
  const int total = countBackupPresets(clients);
  if (total < 0) return std::nullopt;
  CancelFlag cancel;
  auto task = spawnOnMain(std::bind(&DeviceBackup::runBackup, host_, clients, *folder, total, cancel));
  host_->showProgress("Backup Device(s)", "All presets will be stored locally as a backup", total,
                      [task, cancel] {
                        cancel.request();
                        task.cancel();
                      });
  return task;
}

boost::asio::awaitable<void> DeviceBackup::runBackup(std::shared_ptr<PresetOperationHost> host,
                                                     std::vector<Client> clients, fs::path folder, int total,
                                                     CancelFlag cancel) {
  int n = 0;
  for (const auto& client : clients) {
    if (co_await cancel.isSet()) co_return;
    // The lists are read again: the preset observer may have changed them since the count.
    auto source = backupSource(*host, client);
    if (!source.missing.empty()) {
      fail(*host, source.missing);
      co_return;
    }
    const std::string deviceName = source.info->name;
    auto folderName = deviceFolderName(*source.info);
    std::error_code error;
    const fs::path deviceFolder = folderName ? folder / *folderName : fs::path();
    if (!folderName || (!fs::exists(deviceFolder, error) && !fs::create_directories(deviceFolder, error)) || error) {
      fail(*host, "Directory for " + deviceName + " could not be created");
      co_return;
    }
    for (const auto& name : source.presets) {
      if (co_await cancel.isSet()) co_return;
      host->progressSheet().setStatus(stepStatus(n + 1, total, " Transfering ", name));
      std::optional<device::PresetData> data;
      std::exception_ptr failure;
      try {
        data = co_await client->receivePreset(name, receiveRetries, receiveTimeout);
      } catch (...) {
        failure = std::current_exception();
      }
      if (failure) {
        if (co_await cancel.endedByCancel(failure)) co_return;
        fail(*host, "Could not transfer " + name.description() + " from " + deviceName);
        co_return;
      }
      host->progressSheet().setStatus(stepStatus(n + 1, total, " Storing ", name));
      try {
        auto fileName = presetFileName(name);
        if (!fileName) throw std::invalid_argument("unusable file name");
        writeFileAtomically(deviceFolder / *fileName, data->data);
      } catch (const std::exception&) {
        fail(*host, "Could not save preset to disk");
        co_return;
      }
      ++n;
      host->progressSheet().setValue(n);
    }
  }
  // Lists that shrank since the count, or a total of 0, leave the sheet short of its maximum.
  host->closeProgress();
}

}  // namespace app
