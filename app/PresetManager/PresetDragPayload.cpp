#include "app/PresetManager/PresetDragPayload.h"

#include <algorithm>

#include <QByteArray>
#include <QMimeData>
#include <nlohmann/json.hpp>

namespace app {

using device::PresetType;
using nlohmann::json;

namespace {
constexpr PresetType kTypes[] = {PresetType::preset, PresetType::userShow};
}

QString presetMimeType(PresetType type) {
  return QString::fromStdString(device::PresetName::utType(type).mimeType);
}

void writeDraggedPresets(QMimeData& data, const std::vector<DraggedPreset>& items) {
  for (auto type : kTypes) {
    json array = json::array();
    for (const auto& item : items) {
      if (item.source.presetName.type != type) continue;
      array.push_back({{"row", item.row},
                       {"serialNumber", item.source.serialNumber},
                       {"presetName", item.source.presetName}});
    }
    if (array.empty()) continue;
    const auto text = array.dump();
    data.setData(presetMimeType(type), QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  }
}

std::vector<DraggedPreset> readDraggedPresets(const QMimeData& data, const std::vector<PresetType>& types) {
  std::vector<DraggedPreset> items;
  for (auto type : types) {
    const QString mimeType = presetMimeType(type);
    if (!data.hasFormat(mimeType)) continue;
    const QByteArray bytes = data.data(mimeType);
    const json array = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!array.is_array()) continue;
    for (const auto& entry : array) {
      try {
        DraggedPreset item{entry.at("row").get<int>(),
                           {entry.at("serialNumber").get<std::string>(), entry.at("presetName").get<device::PresetName>()}};
        if (item.row < 0 || item.source.presetName.type != type) continue;
        items.push_back(std::move(item));
      } catch (const json::exception&) {
      }
    }
  }
  std::stable_sort(items.begin(), items.end(), [](const auto& x, const auto& y) { return x.row < y.row; });
  return items;
}

bool holdsDraggedPresets(const QMimeData& data) {
  return std::any_of(std::begin(kTypes), std::end(kTypes),
                     [&](PresetType type) { return data.hasFormat(presetMimeType(type)); });
}

}  // namespace app
