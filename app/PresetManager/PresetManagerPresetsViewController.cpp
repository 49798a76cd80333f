#include "app/PresetManager/PresetManagerPresetsViewController.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

#include "app/Data/DeviceManager.h"
#include "app/Dialogs.h"
#include "app/MainTask.h"
#include "app/NotificationBridge.h"
#include "app/PresetManager/ClickedRowTableView.h"
#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetListTasks.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/PresetsModel.h"

namespace app {

PresetManagerPresetsViewController::PresetManagerPresetsViewController(PresetStore& store,
                                                                       PresetManagerWindowController& window)
    : window_(window),
      model_(new PresetsModel(store, this)),
      tableView_(new ClickedRowTableView(this)),
      menu_(new QMenu(this)),
      deleteAction_(menu_->addAction(tr("Delete"))),
      loadAction_(menu_->addAction(tr("Load"))) {
  setObjectName("presetsViewController");
  tableView_->setObjectName("tableView");
  menu_->setObjectName("menu");
  deleteAction_->setObjectName("deletePresetsPressed");
  loadAction_->setObjectName("loadPresetPressed");

  model_->dragDataProvider = [this](const std::vector<int>& rows) { return window_.makeDragData(rows); };
  model_->dropValidator = [this](const QMimeData& data) {
    return clients().size() == 1 && window_.hasPresetFiles(data);
  };
  model_->dropHandler = [this](const QMimeData& data) {
    auto listed = clients();
    return listed.size() == 1 && window_.importPresetFiles(data, listed.front());
  };
  tableView_->setModel(model_);
  tableView_->setDragEnabled(true);
  tableView_->setAcceptDrops(true);
  tableView_->setDropIndicatorShown(true);
  tableView_->setDragDropMode(QAbstractItemView::DragDrop);
  tableView_->setDefaultDropAction(Qt::CopyAction);
  tableView_->horizontalHeader()->setSectionResizeMode(PresetsModel::nameColumn, QHeaderView::Stretch);
  tableView_->setColumnHidden(PresetsModel::deviceColumn, true);
  tableView_->setContextMenu(menu_, [this] { menuWillOpen(); });
  connect(deleteAction_, &QAction::triggered, this, [this] { deletePresetsPressed(); });
  connect(loadAction_, &QAction::triggered, this, [this] { loadPresetPressed(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tableView_);

  auto* bridge = new NotificationBridge(store.notificationCenter(),
                                        {DeviceManager::kPresetsAdded, DeviceManager::kPresetsRemoved}, this);
  connect(bridge, &NotificationBridge::notified, this, [this] { reloadPresets(); });
}

PresetManagerPresetsViewController::~PresetManagerPresetsViewController() = default;

const std::vector<PresetClient>& PresetManagerPresetsViewController::clients() const { return model_->clients(); }

void PresetManagerPresetsViewController::setClients(std::vector<PresetClient> clients) {
  tableView_->setColumnHidden(PresetsModel::deviceColumn, clients.size() < 2);
  model_->setClients(std::move(clients));
}

const std::vector<PresetItem>& PresetManagerPresetsViewController::presets() const { return model_->presets(); }

void PresetManagerPresetsViewController::reloadPresets() { model_->reloadPresets(); }

void PresetManagerPresetsViewController::deletePresetsPressed() {
  std::vector<PresetItem> items;
  for (int row : tableView_->targetedRows()) {
    if (row < static_cast<int>(presets().size())) items.push_back(presets()[static_cast<std::size_t>(row)]);
  }
  if (items.empty()) return;  // the rows went away while the menu was open
  auto total = static_cast<int>(items.size());
  auto task = spawnOnMain([window = QPointer(&window_), items = std::move(items)]() mutable {
    return runPresetDeletion(window, std::move(items));
  });
  window_.showProgress("Delete", "Deleting your selected presets.", total, [task] { task.cancel(); });
}

void PresetManagerPresetsViewController::loadPresetPressed() {
  auto rows = tableView_->targetedRows();
  if (rows.empty() || rows.front() >= static_cast<int>(presets().size())) return;
  auto item = presets()[static_cast<std::size_t>(rows.front())];
  Alert alert{"Warning!",
              "Are you sure you want to load \"" + item.name.name + "\" on \"" + deviceName(*item.client) +
                  "\" This will overwrite all current settings on the processor!",
              AlertStyle::warning,
              {"Load", "Cancel"}};
  dialogs().beginSheet(window(), alert, [item, owner = QPointer<QWidget>(window())](int answer) {
    if (answer != alertFirstButtonReturn) return;
    spawnOnMain([item, owner]() { return runPresetLoad(owner, item); });
  });
}

void PresetManagerPresetsViewController::menuWillOpen() {
  auto rows = tableView_->targetedRows();
  deleteAction_->setEnabled(!rows.empty());
  if (rows.size() != 1 || rows.front() >= static_cast<int>(presets().size())) {
    loadAction_->setEnabled(false);
    return;
  }
  const auto& item = presets()[static_cast<std::size_t>(rows.front())];
  bool appUserShow = isAppClient(*item.client) && item.name.type == device::PresetType::userShow;
  loadAction_->setEnabled(!appUserShow && item.client->supportsPresetType(item.name.type));
}

}  // namespace app
