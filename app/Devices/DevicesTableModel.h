#pragma once
// The devices list as a Qt table model: one row per client of a DevicesList, one column per
// column identifier (kept under Qt::UserRole of the horizontal header). Cells read the client's
// current device information whenever they are drawn.
//
// An added client is inserted at the end and the list then re-sorted as a layout change that
// moves every persistent index with its client, so a selection stays on the clients it held
// also when an earlier rename has changed the order. GUI thread only.

#include <QAbstractTableModel>

#include "app/Devices/DevicesList.h"

namespace app {

class DevicesTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DevicesTableModel(QObject* parent = nullptr);

  const DevicesList& list() const { return list_; }
  void setClients(std::vector<ClientPtr> clients);
  // Nothing happens for a client already listed, or for a removal of one that is not.
  void add(ClientPtr client);
  void remove(const device::VeltoClient* client);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  DevicesList list_;
};

}  // namespace app
