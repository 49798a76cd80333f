#pragma once
// The data of presets dragged out of the presets list. Each preset type has its own MIME type
// (PresetName::utType(type).mimeType); under it lies a JSON array of the dragged items of that type,
// each {"row": the row in the presets list, "serialNumber": the device's serial number,
// "presetName": the name in PresetName's JSON keys}. A drop on a device reads the rows back and
// the copy checks them against the list it has at drop time. Plain functions; GUI thread (QMimeData).

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "device/Model/PresetName.h"
#include "device/Model/PresetType.h"

class QMimeData;

namespace app {

// Which device's preset a dragged row is.
struct PresetSource {
  std::string serialNumber;
  device::PresetName presetName;
};

struct DraggedPreset {
  int row = 0;
  PresetSource source;
};

QString presetMimeType(device::PresetType type);

// Stores `items` under the MIME types of their preset types.
void writeDraggedPresets(QMimeData& data, const std::vector<DraggedPreset>& items);

// The items stored under the MIME types of `types`, in row order. Items that do not read (wrong
// JSON, negative rows) are passed over.
std::vector<DraggedPreset> readDraggedPresets(const QMimeData& data, const std::vector<device::PresetType>& types);

// Whether `data` holds presets of any type.
bool holdsDraggedPresets(const QMimeData& data);

}  // namespace app
