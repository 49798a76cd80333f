// The window's operations that move presets between devices and files: the copy of dragged
// presets, the import of preset files, the backup and the drag-out export. Until they are built
// they take nothing, so drops are refused and rows are not dragged.
#include <QMimeData>

#include "app/PresetManager/PresetManagerWindowController.h"

namespace app {

bool PresetManagerWindowController::copyPresets(const QMimeData&, const PresetClient&) { return false; }

bool PresetManagerWindowController::importPresetFiles(const QMimeData&, const PresetClient&) { return false; }

bool PresetManagerWindowController::hasPresetFiles(const QMimeData&) const { return false; }

void PresetManagerWindowController::backupClients(std::vector<PresetClient>) {}

QMimeData* PresetManagerWindowController::makeDragData(const std::vector<int>&) { return nullptr; }

}  // namespace app
