// PresetManager: copying one preset between two devices or a device and the folder.

#include "async/Cancellation.h"
#include "device/Clients/VeltoClientError.h"
#include "device/Presets/PresetManager.h"

namespace device {
namespace {

// The presets of a device that a copy may take or replace: its own types, no defaults, no backups.
PresetManager::Task<std::vector<PresetName>> copyablePresets(PresetHandler& client) {
  co_await async::checkCancellation();
  const PresetNameList list = co_await client.requestPresetList(PresetManager::presetListTimeout);
  co_return list.filtered(client.supportedPresetTypes(), false, false);
}

}  // namespace

PresetManager::Task<void> PresetManager::copyPreset(PresetName name, std::shared_ptr<PresetHandler> from,
                                                    std::shared_ptr<PresetHandler> to) {
  if (from == to) co_return;
  if ((from && !from->isOnline()) || (to && !to->isOnline())) throw VeltoClientError::deviceIsOffline();
  if (!from || !to) requirePlainName(name.baseName());

  std::vector<PresetName> source;
  if (from) {
    source = co_await copyablePresets(*from);
  } else {
    source = localPresetList(localPath_);
  }
  std::vector<PresetName> target;
  if (to) target = co_await copyablePresets(*to);
  if (!holds(source, name)) throw PresetManagerError::presetDoesNotExistAtSource(name.description());

  PresetData data;
  if (from) {
    co_await async::checkCancellation();
    data = co_await from->receivePreset(name, receiveRetries, receiveTimeout);
  } else {
    data = loadPresetFromDisk(name.fileName(), localPath_);
  }

  if (!to) {
    writePresetToLocal(data.data, name);
    co_return;
  }
  if (holds(target, name)) {
    co_await async::checkCancellation();
    co_await to->deletePreset(name, true);
  }
  co_await async::checkCancellation();
  co_await to->sendPreset(std::move(data.data), std::move(name), false);
}

}  // namespace device
