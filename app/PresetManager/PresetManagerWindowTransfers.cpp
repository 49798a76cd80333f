// The window's operations that move presets between devices and files (PresetOperations.h).
#include <QMimeData>

#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetOperations.h"
#include "app/PresetManager/WindowOperationHost.h"

namespace app {

PresetOperations& PresetManagerWindowController::operations() {
  if (!operations_)
    operations_ = std::make_shared<PresetOperations>(std::make_shared<WindowOperationHost>(*this, store_));
  return *operations_;
}

bool PresetManagerWindowController::copyPresets(const QMimeData& data, const PresetClient& target) {
  return operations().copyPresets(data, target);
}

bool PresetManagerWindowController::importPresetFiles(const QMimeData& data, const PresetClient& target) {
  return operations().importPresetFiles(data, target);
}

bool PresetManagerWindowController::hasPresetFiles(const QMimeData& data) const {
  return PresetOperations::hasPresetFiles(data);
}

void PresetManagerWindowController::backupClients(std::vector<PresetClient> clients) {
  operations().backupClients(clients);
}

QMimeData* PresetManagerWindowController::makeDragData(const std::vector<int>& rows) {
  return operations().dragData(rows);
}

void PresetManagerWindowController::backupDevices() { operations().backupDevices(); }

void PresetManagerWindowController::syncDevices() { operations().syncDevices(); }

}  // namespace app
