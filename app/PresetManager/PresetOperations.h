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

  // The copy of dragged presets onto `target`; false when the drop gives no copy job.
  bool copyPresets(const QMimeData& data, const Client& target) {
    return PresetCopier(host_).copyPresets(data, target).has_value();
  }
  // The import of dropped preset files into `target`; false when nothing is imported.
  bool importPresetFiles(const QMimeData& data, const Client& target) {
    return PresetImporter(host_).importPresetFiles(data, target).has_value();
  }
  // A drop on a device of the sources list: the copy of dragged presets, else the import of files.
  bool dropOnSource(const QMimeData& data, const Client& target) {
    return copyPresets(data, target) || importPresetFiles(data, target);
  }
  // Whether a drop holds preset files to import (never a drag out of this window).
  static bool hasPresetFiles(const QMimeData& data) { return !PresetImporter::presetFileURLs(data).empty(); }
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
