#include "app/PresetManager/DeviceSync.h"

#include <exception>

#include "app/Dialogs.h"
#include "app/GuiExecutor.h"
#include "app/MainTask.h"
#include "app/PresetManager/DeviceBackup.h"
#include "app/PresetManager/PresetOperationSteps.h"
#include "app/PresetManager/PrivateFolder.h"
#include "async/Cancellation.h"

namespace app {

std::vector<DeviceSync::Client> DeviceSync::candidates() const {
  std::vector<Client> result;
  for (const auto& client : host_->sourceClients())
    if (host_->isSyncCandidate(client)) result.push_back(client);
  return result;
}

void DeviceSync::chooseDevicesToSync() {
  auto choice = [](const std::shared_ptr<PresetOperationHost>& host, std::vector<Client> clients,
                   std::function<void()> closeSelector) { DeviceSync(host).startSync(clients, closeSelector); };
  presentDeviceSelector(host_, candidates(), "Choose the devices you\u2019d like to sync.", choice);
}

bool DeviceSync::askToBackUpSyncedPresets(QWidget* window) {
  return askYesNo(window, "Backup", "Would you also like to create a local copy of the synced presets?");
}

std::optional<async::TaskHandle<void>> DeviceSync::startSync(const std::vector<Client>& clients,
                                                             const std::function<void()>& closeSelector) {
  if (clients.size() < 2) {
    showErrorMessage(host_->window(), "Please select at least two devices!");
    return std::nullopt;
  }
  std::optional<std::filesystem::path> folder;
  if (askToBackUpSyncedPresets(host_->window())) folder = DeviceBackup::chooseBackupFolder(host_->window());
  if (closeSelector) closeSelector();

  std::shared_ptr<PrivateFolder> privateLibrary;
  if (!folder) {
    try {
      privateLibrary = std::make_shared<PrivateFolder>("velto-sync");
    } catch (const std::exception&) {
      showErrorAlert(host_->window(), std::current_exception());
      return std::nullopt;
    }
    folder = privateLibrary->path();
  }
  auto manager = std::make_shared<device::PresetManager>(clients, folder->string());
  CancelFlag cancel;
  auto task = spawnOnMain(std::bind(&DeviceSync::runSync, host_, manager, clients, privateLibrary, cancel));
  host_->showProgress("Syncing Devices", "All of your selected devices will be synced now.", 0, [task, cancel] {
    cancel.request();
    task.cancel();
  });
  return task;
}

namespace {

// Forwards the manager's progress to the sheet on the GUI thread while the sync runs.
class ProgressForwarding {
 public:
  ProgressForwarding(std::shared_ptr<PresetOperationHost> host, std::shared_ptr<platform::Progress> progress)
      : running_(std::make_shared<bool>(true)) {
    auto running = running_;
    std::weak_ptr<platform::Progress> weakProgress = progress;
    observation_ = progress->observe([host, weakProgress, running](platform::Progress::Key key, std::int64_t) {
      postToMain([host, weakProgress, running, key] {
        auto progress = weakProgress.lock();
        if (!*running || !progress) return;
        if (key == platform::Progress::Key::totalUnitCount)
          host->progressSheet().setMaxValue(static_cast<int>(progress->totalUnitCount()));
        else
          host->progressSheet().setValue(static_cast<int>(progress->completedUnitCount()));
      });
    });
  }
  // Updates still queued are dropped.
  ~ProgressForwarding() {
    observation_.end();
    *running_ = false;
  }

 private:
  std::shared_ptr<bool> running_;  // read and written on the GUI thread only
  platform::Progress::Observation observation_;
};

}  // namespace

// `privateLibrary` is held so that the folder is removed only after the sync.
boost::asio::awaitable<void> DeviceSync::runSync(std::shared_ptr<PresetOperationHost> host,
                                                 std::shared_ptr<device::PresetManager> manager,
                                                 std::vector<Client> clients,
                                                 [[maybe_unused]] std::shared_ptr<PrivateFolder> privateLibrary,
                                                 CancelFlag cancel) {
  std::exception_ptr error;
  {
    ProgressForwarding forwarding(host, manager->progress());
    try {
      co_await manager->syncDevices();
      for (const auto& client : clients) {
        co_await cancel.check();
        auto list = co_await client->requestPresetList(presetListTimeout);
        host->storePresets(std::move(list), client);
      }
    } catch (...) {
      error = std::current_exception();
    }
    // Let the progress already reported reach the sheet before deciding whether it is still up.
    co_await onMain();
  }
  if (error) {
    if (co_await cancel.endedByCancel(error)) co_return;
    showErrorAlert(host->window(), error);
  }
  host->closeProgress();
}

}  // namespace app
