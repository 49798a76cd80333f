#include "app/PresetManager/SourcesModel.h"

#include <algorithm>
#include <numeric>

#include <QMimeData>

#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetsModel.h"
#include "app/PresetManager/SortKeys.h"
#include "app/PresetManager/SymbolIcon.h"

namespace app {

std::string sourceSortKey(const device::PresetHandler& client) { return canonicalSortKey(deviceName(client)); }

SourcesModel::SourcesModel(QObject* parent) : QAbstractListModel(parent) {}

PresetClient SourcesModel::client(int row) const {
  if (row < 0 || row >= rowCount()) return nullptr;
  return clients_[static_cast<std::size_t>(row)];
}

void SourcesModel::setClients(std::vector<PresetClient> clients) {
  beginResetModel();
  clients_ = std::move(clients);
  endResetModel();
}

void SourcesModel::clientAdded(const PresetClient& client) {
  if (client == nullptr || std::find(clients_.begin(), clients_.end(), client) != clients_.end()) return;
  // Sorting the whole list with the new client appended last equals sorting the listed rows, then
  // inserting the new one after every row whose key is not greater.
  sortRows();
  auto key = sourceSortKey(*client);
  auto at = std::upper_bound(clients_.begin(), clients_.end(), key,
                             [](const std::string& k, const PresetClient& c) { return k < sourceSortKey(*c); });
  int row = static_cast<int>(at - clients_.begin());
  beginInsertRows({}, row, row);
  clients_.insert(at, client);
  endInsertRows();
}

void SourcesModel::clientRemoved(const PresetClient& client) {
  auto found = std::find(clients_.begin(), clients_.end(), client);
  if (found == clients_.end()) return;
  int row = static_cast<int>(found - clients_.begin());
  beginRemoveRows({}, row, row);
  clients_.erase(found);
  endRemoveRows();
}

void SourcesModel::sortRows() {
  std::vector<std::string> keys;
  keys.reserve(clients_.size());
  for (const auto& client : clients_) keys.push_back(sourceSortKey(*client));
  std::vector<int> order(clients_.size());  // order[newRow] = oldRow
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
    return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
  });
  if (std::is_sorted(order.begin(), order.end())) return;

  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf(order.size());
  std::vector<PresetClient> sorted;
  sorted.reserve(order.size());
  for (std::size_t newRow = 0; newRow < order.size(); ++newRow) {
    newRowOf[static_cast<std::size_t>(order[newRow])] = static_cast<int>(newRow);
    sorted.push_back(clients_[static_cast<std::size_t>(order[newRow])]);
  }
  clients_ = std::move(sorted);
  const auto persistent = persistentIndexList();
  QModelIndexList moved;
  moved.reserve(persistent.size());
  for (const auto& index : persistent) {
    moved.append(index.isValid() ? this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column())
                                 : index);
  }
  changePersistentIndexList(persistent, moved);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int SourcesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(clients_.size());
}

QVariant SourcesModel::data(const QModelIndex& index, int role) const {
  auto source = index.isValid() ? client(index.row()) : nullptr;
  if (source == nullptr) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(sourceTitle(*source));
    case Qt::DecorationRole:
      return symbolIcon(sourceIconName(*source));
    case iconNameRole:
      return QString::fromStdString(sourceIconName(*source));
    default:
      return {};
  }
}

Qt::ItemFlags SourcesModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
}

QStringList SourcesModel::mimeTypes() const { return presetMimeTypes(); }

Qt::DropActions SourcesModel::supportedDropActions() const { return Qt::CopyAction; }

bool SourcesModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                   const QModelIndex& parent) const {
  // On a row only: Qt gives a drop onto an item as (row -1, the item as parent).
  return data != nullptr && row == -1 && parent.isValid() && parent.row() < rowCount();
}

bool SourcesModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent) || !dropHandler) return false;
  return dropHandler(*data, client(parent.row()));
}

}  // namespace app
