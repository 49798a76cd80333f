#pragma once
// The rows of the sources list: the connected devices that handle presets, one per row. The first
// rows come in the device manager's order; each later addition sorts the list by display key (the
// device's name, else its address; case-sensitive, NFC, by code points; stable) and inserts the
// new row at its place. A re-sort moves rows as a layout change, so selections and other
// persistent indexes follow their devices. Rows show "name@address" (or the address) and the
// device type's symbol. Drops are taken on a row only, through a hook. GUI thread only.

#include <functional>
#include <vector>

#include <QAbstractListModel>

#include "app/PresetManager/PresetItem.h"

namespace app {

class SourcesModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // Role of the symbol name (QString) of a row.
  static constexpr int iconNameRole = Qt::UserRole + 1;

  // Takes a drop on the client's row.
  using DropHandler = std::function<bool(const QMimeData& data, const PresetClient& target)>;

  explicit SourcesModel(QObject* parent = nullptr);

  const std::vector<PresetClient>& clients() const { return clients_; }
  PresetClient client(int row) const;
  // The first rows, unsorted.
  void setClients(std::vector<PresetClient> clients);
  // A client already listed changes nothing.
  void clientAdded(const PresetClient& client);
  // A client not listed changes nothing.
  void clientRemoved(const PresetClient& client);

  DropHandler dropHandler;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDropActions() const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 private:
  // Sorts the listed rows stably by display key, as one layout change when anything moves.
  void sortRows();

  std::vector<PresetClient> clients_;
};

// The display key of a source: its device name, else its address, in NFC.
std::string sourceSortKey(const device::PresetHandler& client);

}  // namespace app
