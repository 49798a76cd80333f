// PresetManager: the library sync between the devices and the folder.

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <unordered_set>

#include "async/Cancellation.h"
#include "device/Presets/PresetManager.h"
#include "device/Presets/PresetManagerLog.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "platform/PathRules.h"

namespace device {
namespace {

PresetManager::ClientPresetContainerItem& itemFor(PresetManager::Container& container,
                                                   const std::shared_ptr<PresetHandler>& client) {
  const auto found = std::find_if(container.begin(), container.end(), [&](const auto& item) {
    return PresetHandler::sameDevice(*item.client, *client);
  });
  if (found != container.end()) return *found;
  return container.emplace_back(PresetManager::ClientPresetContainerItem{client, {}});
}

// The errors of a file system that cannot store a file under the name asked for.
bool unusableFileName(const std::error_code& error) {
  return error == std::errc::filename_too_long || error == std::errc::illegal_byte_sequence;
}

// Logs the end of a sync however it ends.
struct SyncFinish {
  ~SyncFinish() { PRESET_MANAGER_LOG(verbose, "syncDevices", "sync did finish"); }
};

}  // namespace

bool PresetManager::holds(const std::vector<PresetName>& names, const PresetName& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<PresetName> PresetManager::syncable(const PresetNameList& list, const std::vector<PresetType>& types) {
  if (std::find(types.begin(), types.end(), PresetType::preset) == types.end()) return {};
  return list.filtered({PresetType::preset}, false, false);
}

std::vector<PresetName> PresetManager::syncable(const std::vector<PresetName>& list) {
  return syncable(PresetNameList{list}, {PresetType::preset});
}

std::vector<PresetName> PresetManager::syncableLocalPresets(bool again) const {
  std::vector<PresetName> local;
  try {
    local = syncable(localPresetList(localPath_));
  } catch (...) {
    PRESET_MANAGER_LOG(warning, "syncDevices",
                       again ? "failed receiving local preset list" : "failed to receive local preset list");
    throw;
  }
  PRESET_MANAGER_LOG(verbose, "syncDevices",
                     (again ? "received local preset list: " : "received local preset list ") + printedList(local));
  return local;
}

PresetManager::Task<PresetManager::Container> PresetManager::requestRemotePresetLists() {
  Container container;
  for (const auto& client : clients_) {
    const std::string description = client->description();
    PRESET_MANAGER_LOG(verbose, "syncDevices", "requesting preset list from " + description);
    co_await async::checkCancellation();
    PresetNameList list;
    try {
      list = co_await client->requestPresetList(presetListTimeout);
    } catch (...) {
      PRESET_MANAGER_LOG(warning, "syncDevices", "failed receiving preset list from " + description);
      throw;
    }
    auto& item = itemFor(container, client);
    item.presets.names = syncable(list, client->supportedPresetTypes());
    PRESET_MANAGER_LOG(verbose, "syncDevices",
                       "received preset list from " + description + ": " + printedList(item.presets.names));
  }
  co_return container;
}

PresetManager::Task<void> PresetManager::syncDevices() {
  const SyncFinish finish;
  std::error_code error;
  if (!std::filesystem::exists(localPath_, error)) {
    PRESET_MANAGER_LOG(warning, "syncDevices", "local preset path does not exist");
    throw PresetManagerError::localPathDoesNotExist(localPath_);
  }
  const std::vector<PresetName> local = syncableLocalPresets(false);
  Container remote = co_await requestRemotePresetLists();

  const Container required = requiredRemotePresets(local, uniqueRemotePresets(remote));
  std::int64_t pullCount = 0;
  for (const auto& item : required) pullCount += static_cast<std::int64_t>(item.presets.count());
  progress_->setCompletedUnitCount(0);
  progress_->setTotalUnitCount(static_cast<std::int64_t>(local.size()) + 2 * pullCount);

  co_await transferRequiredRemotePresets(required);

  PRESET_MANAGER_LOG(verbose, "syncDevices", "requested local preset list");
  std::vector<PresetName> pulledAndLocal = syncableLocalPresets(true);
  co_await syncLocalPresetsToRemote(localPath_, std::move(pulledAndLocal), std::move(remote));
}

PresetManager::Task<void> PresetManager::transferRequiredRemotePresets(Container container) {
  for (const auto& item : container) {
    for (const PresetName& name : item.presets.names) {
      if (!platform::isPlainFileName(name.baseName())) {
        PRESET_MANAGER_LOG(warning, "transferRequiredRemotePresets",
                           std::string("failed receiveing preset, ") + PresetManagerError::invalidPath(name.baseName()).what());
        continue;
      }
      PRESET_MANAGER_LOG(verbose, "transferRequiredRemotePresets", "requested preset " + name.description());
      co_await async::checkCancellation();
      try {
        const PresetData data = co_await item.client->receivePreset(name, receiveRetries, receiveTimeout);
        PRESET_MANAGER_LOG(verbose, "transferRequiredRemotePresets", "received preset " + name.description());
        writePresetToLocal(data.data, name);
        progress_->addCompletedUnits(1);
      } catch (const PresetSegmentHandlerError& error) {
        PRESET_MANAGER_LOG(warning, "transferRequiredRemotePresets",
                           std::string("failed receiveing preset, ") + error.what());
      } catch (const std::filesystem::filesystem_error& error) {
        // A name the folder's file system refuses is skipped like a name refused above; any other
        // write error (no space, no permission) stops the sync.
        if (!unusableFileName(error.code())) throw;
        PRESET_MANAGER_LOG(warning, "transferRequiredRemotePresets",
                           std::string("failed receiveing preset, ") + error.what());
      }
    }
  }
}

PresetManager::Task<void> PresetManager::syncLocalPresetsToRemote(std::string localPath,
                                                                  std::vector<PresetName> localPresets,
                                                                  Container allRemotePresets) {
  for (const PresetName& local : localPresets) {
    PresetData data;
    try {
      data = loadPresetFromDisk(local.fileName(), localPath);
    } catch (const std::exception& error) {
      PRESET_MANAGER_LOG(warning, "syncLocalPresetsToRemote",
                         "failed loading preset from disk: " + local.description() + " " + error.what());
      continue;
    }
    for (const auto& item : allRemotePresets) {
      if (holds(item.presets.names, local)) continue;
      co_await async::checkCancellation();
      co_await item.client->sendPreset(data.data, local, false);
      PRESET_MANAGER_LOG(verbose, "syncLocalPresetsToRemote", "sent preset " + local.description());
      co_await async::sleep(std::chrono::nanoseconds(pauseAfterSend));
    }
    progress_->addCompletedUnits(1);
  }
}

PresetManager::Container PresetManager::uniqueRemotePresets(const Container& container) {
  Container result;
  std::unordered_set<std::string> seen;
  for (const auto& item : container) {
    for (const PresetName& name : item.presets.names) {
      if (seen.insert(name.name).second) itemFor(result, item.client).presets.append(name);
    }
  }
  return result;
}

PresetManager::Container PresetManager::requiredRemotePresets(const std::vector<PresetName>& local,
                                                             const Container& remote) {
  Container result;
  for (const auto& item : remote) {
    auto& required = itemFor(result, item.client);
    for (const PresetName& name : item.presets.names) {
      if (!holds(local, name)) required.presets.append(name);
    }
  }
  return result;
}

}  // namespace device
