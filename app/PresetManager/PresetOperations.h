#pragma once
// The preset operations of the preset manager window behind the window's hooks: what a drop on a
// source row, a drop on the presets list, a drag out of the presets list and the window's two
// actions start. Made by the window with its host; GUI thread.

#include <memory>
#include <vector>

#include "app/PresetManager/DeviceBackup.h"
#include "app/PresetManager/DeviceSync.h"
#include "app/PresetManager/PresetCopier.h"
#include "app/PresetManager/PresetExporter.h"
#include "app/PresetManager/PresetImporter.h"
#include "app/PresetManager/PresetOperationHost.h"

class QMimeData;

namespace app {

class PresetOperations {
 public:
  using Client = PresetOperationHost::Client;

  explicit PresetOperations(std::shared_ptr<PresetOperationHost> host)
      : host_(host), exporter_(PresetExporter::make(host)) {}

  // A drop on a device of the sources list: the copy of dragged presets, else the import of files.
  // `ownDrag`: the drag started in this program. True when an operation started.
  bool dropOnSource(const QMimeData& data, bool ownDrag, const Client& target) {
    if (PresetCopier(host_).copyPresets(data, target)) return true;
    return PresetImporter(host_).importPresetFiles(data, ownDrag, target).has_value();
  }
  // A drop on the presets list while it lists one device: the import of files into it.
  bool dropOnPresets(const QMimeData& data, bool ownDrag, const Client& target) {
    return PresetImporter(host_).importPresetFiles(data, ownDrag, target).has_value();
  }
  // Whether a drop on the presets list may be accepted: preset files from outside the program.
  static bool acceptsPresetFiles(const QMimeData& data, bool ownDrag) {
    return !ownDrag && !PresetImporter::presetFileURLs(data).empty();
  }
  // The drag data of rows of the presets list.
  QMimeData* dragData(const std::vector<int>& rows) const { return exporter_->makeDragData(rows); }

  void backupDevices() { DeviceBackup(host_).showBackupDeviceSelector(); }
  void backupClients(const std::vector<Client>& clients) { DeviceBackup(host_).backupClients(clients); }
  void syncDevices() { DeviceSync(host_).chooseDevicesToSync(); }

  const std::shared_ptr<PresetExporter>& exporter() const { return exporter_; }

 private:
  std::shared_ptr<PresetOperationHost> host_;
  std::shared_ptr<PresetExporter> exporter_;
};

}  // namespace app
