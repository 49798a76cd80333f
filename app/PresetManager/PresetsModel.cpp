#include "app/PresetManager/PresetsModel.h"

#include <algorithm>
#include <set>

#include <QMimeData>

#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/RowDiff.h"
#include "app/PresetManager/SortKeys.h"

namespace app {

QStringList presetMimeTypes() {
  return {QString::fromStdString(device::PresetName::utType(device::PresetType::preset).mimeType),
          QString::fromStdString(device::PresetName::utType(device::PresetType::userShow).mimeType),
          QStringLiteral("text/uri-list")};
}

PresetsModel::PresetsModel(PresetStore& store, QObject* parent) : QAbstractTableModel(parent), store_(store) {}

void PresetsModel::setClients(std::vector<PresetClient> clients) {
  clients_ = std::move(clients);
  reloadPresets();
}

std::vector<PresetItem> PresetsModel::makePresetItems() const {
  struct Keyed {
    std::string key;
    PresetItem item;
  };
  std::vector<Keyed> rows;
  for (const auto& client : clients_) {
    const auto* velto = veltoClient(*client);
    if (velto == nullptr) continue;
    auto stored = store_.presets(*velto);
    if (!stored) continue;
    for (auto& name : stored->filtered(client->supportedPresetTypes(), false, false)) {
      rows.push_back({lowercaseSortKey(name.name), PresetItem{client, std::move(name)}});
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
  std::vector<PresetItem> items;
  items.reserve(rows.size());
  for (auto& row : rows) items.push_back(std::move(row.item));
  return items;
}

void PresetsModel::reloadPresets() {
  auto fresh = makePresetItems();
  auto diff = diffRows(presets_, fresh, [](const PresetItem& item) { return item.identityKey(); });
  if (diff.reordered) {
    beginResetModel();
    presets_ = std::move(fresh);
    endResetModel();
    return;
  }
  // Removals from the bottom up keep the lower indexes valid.
  for (auto it = diff.removed.rbegin(); it != diff.removed.rend(); ++it) {
    beginRemoveRows({}, *it, *it);
    presets_.erase(presets_.begin() + *it);
    endRemoveRows();
  }
  // The staying rows are in order; inserting the new ones at their final indexes, ascending,
  // rebuilds the new list.
  for (int row : diff.inserted) {
    beginInsertRows({}, row, row);
    presets_.insert(presets_.begin() + row, fresh[static_cast<std::size_t>(row)]);
    endInsertRows();
  }
  // Staying rows take the new values (a fresh time stamp; device names may have arrived).
  presets_ = std::move(fresh);
  if (!presets_.empty()) {
    Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(presets_.size()) - 1, columnCount_ - 1));
  }
}

std::vector<int> PresetsModel::draggableRows(const std::vector<int>& rows) const {
  std::vector<int> result;
  for (int row : rows) {
    if (row < 0 || row >= rowCount()) continue;
    if (deviceInfo(*presets_[static_cast<std::size_t>(row)].client)) result.push_back(row);
  }
  return result;
}

int PresetsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(presets_.size());
}

int PresetsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columnCount_; }

QVariant PresetsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) return {};
  const auto& item = presets_[static_cast<std::size_t>(index.row())];
  switch (index.column()) {
    case nameColumn:
      return QString::fromStdString(item.name.baseName());
    case deviceColumn:
      return QString::fromStdString(deviceName(*item.client));
    default:
      return {};
  }
}

QVariant PresetsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == nameColumn) return tr("Name");
  if (section == deviceColumn) return tr("Device");
  return {};
}

Qt::ItemFlags PresetsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList PresetsModel::mimeTypes() const { return presetMimeTypes(); }

QMimeData* PresetsModel::mimeData(const QModelIndexList& indexes) const {
  std::set<int> rows;
  for (const auto& index : indexes) rows.insert(index.row());
  auto draggable = draggableRows({rows.begin(), rows.end()});
  if (draggable.empty() || !dragDataProvider) return nullptr;
  return dragDataProvider(draggable);
}

Qt::DropActions PresetsModel::supportedDragActions() const { return Qt::CopyAction; }

Qt::DropActions PresetsModel::supportedDropActions() const { return Qt::CopyAction; }

bool PresetsModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex&) const {
  return data != nullptr && dropValidator && dropValidator(*data);
}

bool PresetsModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent) || !dropHandler) return false;
  return dropHandler(*data);
}

}  // namespace app
