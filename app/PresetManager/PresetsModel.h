#pragma once
// The rows of the presets list: one PresetItem per preset of the listed clients, taken from the
// store's last preset-name lists, without back-ups, default presets and types the device does not
// store, sorted by lower-cased name (stable: equal names keep client order, then list order).
// Columns "name" (the base name) and "device" (the device's name or address).
//
// reloadPresets() updates the rows in place: rows that stay are neither removed nor inserted, also
// when a list holds the same name twice; only when staying rows would swap places is the model
// reset. Drags and drops go through hooks that the window sets. GUI thread only.

#include <functional>
#include <vector>

#include <QAbstractTableModel>

#include "app/PresetManager/PresetItem.h"

namespace app {

class PresetStore;

class PresetsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { nameColumn = 0, deviceColumn = 1, columnCount_ };

  // The drag data of rows that may be dragged (ascending; their clients have device info), or
  // null for none.
  using DragDataProvider = std::function<QMimeData*(const std::vector<int>& rows)>;
  // Whether a drop of this data is possible, and taking it.
  using DropValidator = std::function<bool(const QMimeData& data)>;
  using DropHandler = std::function<bool(const QMimeData& data)>;

  explicit PresetsModel(PresetStore& store, QObject* parent = nullptr);

  const std::vector<PresetClient>& clients() const { return clients_; }
  // Stores the clients and reloads the rows.
  void setClients(std::vector<PresetClient> clients);
  const std::vector<PresetItem>& presets() const { return presets_; }

  // The sorted rows of the current clients from the store's lists.
  std::vector<PresetItem> makePresetItems() const;
  void reloadPresets();

  // Rows of `rows` (ascending) whose client has reported its device info.
  std::vector<int> draggableRows(const std::vector<int>& rows) const;

  DragDataProvider dragDataProvider;
  DropValidator dropValidator;
  DropHandler dropHandler;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;
  Qt::DropActions supportedDropActions() const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 private:
  PresetStore& store_;
  std::vector<PresetClient> clients_;
  std::vector<PresetItem> presets_;
};

// The MIME types the lists take: the two of dragged presets and user shows, then file URLs.
QStringList presetMimeTypes();

}  // namespace app
