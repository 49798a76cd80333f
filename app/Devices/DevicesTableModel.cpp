#include "app/Devices/DevicesTableModel.h"

#include <utility>

#include "device/Clients/VeltoClient.h"

namespace app {

namespace {

QString columnTitle(const std::string& identifier) {
  if (identifier == "name") return QObject::tr("Name");
  if (identifier == "type") return QObject::tr("Type");
  if (identifier == "serialNumber") return QObject::tr("Serial Number");
  if (identifier == "ip") return QObject::tr("IP Address");
  if (identifier == "version") return QObject::tr("Version");
  return {};
}

}  // namespace

DevicesTableModel::DevicesTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DevicesTableModel::setClients(std::vector<ClientPtr> clients) {
  beginResetModel();
  list_.setClients(std::move(clients));
  endResetModel();
}

void DevicesTableModel::add(ClientPtr client) {
  if (!client || list_.indexOf(client.get())) return;
  const int end = rowCount();
  // Appended first, so the views see a plain insertion; the re-sort is a layout change.
  beginInsertRows({}, end, end);
  auto insertion = list_.add(std::move(client));
  endInsertRows();
  if (!insertion) return;
  bool moved = insertion->row != static_cast<std::size_t>(end);
  for (std::size_t row = 0; row < insertion->movedTo.size(); ++row) moved |= insertion->movedTo[row] != row;
  if (!moved) return;

  // The list is sorted already; tell the views the same move, row by row.
  std::vector<std::size_t> newRow = insertion->movedTo;
  newRow.push_back(insertion->row);
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const auto before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const auto& index : before)
    after.push_back(this->index(static_cast<int>(newRow.at(static_cast<std::size_t>(index.row()))), index.column()));
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DevicesTableModel::remove(const device::VeltoClient* client) {
  auto row = list_.indexOf(client);
  if (!row) return;
  beginRemoveRows({}, static_cast<int>(*row), static_cast<int>(*row));
  list_.remove(client);
  endRemoveRows();
}

int DevicesTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int DevicesTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(DevicesList::columns().size());
}

QVariant DevicesTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
    return {};
  const auto& client = *list_.clients()[static_cast<std::size_t>(index.row())];
  const auto& column = DevicesList::columns()[static_cast<std::size_t>(index.column())];
  return QString::fromStdString(DevicesList::cellValue(client, column));
}

QVariant DevicesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const auto& identifier = DevicesList::columns()[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return columnTitle(identifier);
  if (role == Qt::UserRole) return QString::fromStdString(identifier);
  return {};
}

}  // namespace app
