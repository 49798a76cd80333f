#include "app/PresetManager/PresetManagerSourcesViewController.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QVBoxLayout>

#include "app/Data/DeviceManager.h"
#include "app/MainTask.h"
#include "app/PresetManager/ClickedRowTableView.h"
#include "app/PresetManager/NotificationObserver.h"
#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/SourcesModel.h"
#include "log/Tallylog.h"

namespace app {

namespace {
// The notification's client as a preset handler; null (logged) for a client that handles none.
PresetClient presetClientOf(const platform::Notification& notification) {
  const auto* client = notification.value<std::shared_ptr<device::VeltoClient>>(DeviceManager::kClientKey);
  if (client == nullptr || *client == nullptr) return nullptr;
  auto handler = asPresetClient(*client);
  if (handler == nullptr) {
    auto type = (*client)->deviceType();
    TALLYLOG_INFO("ignoring " + (type ? type->description() : (*client)->deviceIP()) + ". not a preset handler!");
  }
  return handler;
}

// Makes the device blink; errors are of no interest.
boost::asio::awaitable<void> identify(std::shared_ptr<device::VeltoClient> client) {
  try {
    co_await client->identify();
  } catch (...) {
  }
}
}  // namespace

PresetManagerSourcesViewController::PresetManagerSourcesViewController(PresetStore& store,
                                                                       PresetManagerWindowController& window)
    : window_(window),
      model_(new SourcesModel(this)),
      tableView_(new ClickedRowTableView(this)),
      menu_(new QMenu(this)),
      identifyAction_(menu_->addAction(tr("Identify"))),
      backupAction_(menu_->addAction(tr("Back Up…"))) {
  setObjectName("sourcesViewController");
  tableView_->setObjectName("tableView");
  menu_->setObjectName("menu");
  identifyAction_->setObjectName("identifyPressed");
  backupAction_->setObjectName("backupSelectedDevices");

  model_->dropHandler = [this](const QMimeData& data, const PresetClient& target) {
    return window_.copyPresets(data, target) || window_.importPresetFiles(data, target);
  };
  tableView_->setModel(model_);
  tableView_->horizontalHeader()->hide();
  tableView_->setIconSize(QSize(20, 20));
  tableView_->setAcceptDrops(true);
  tableView_->setDropIndicatorShown(true);
  tableView_->setDragDropMode(QAbstractItemView::DropOnly);
  tableView_->setDragDropOverwriteMode(true);  // drops land on rows
  tableView_->setDefaultDropAction(Qt::CopyAction);
  tableView_->setContextMenu(menu_, [this] { menuWillOpen(); });
  connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionChanged(); });
  connect(identifyAction_, &QAction::triggered, this, [this] { identifySelectedSources(); });
  connect(backupAction_, &QAction::triggered, this, [this] { backupSelectedSources(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tableView_);

  // Observe first, then read: a client that connects in between comes twice and is kept once.
  auto& center = store.notificationCenter();
  observers_.push_back(std::make_unique<NotificationObserver>(
      center, DeviceManager::kSourceAdded, [this](const platform::Notification& note) { clientAdded(note); }));
  observers_.push_back(std::make_unique<NotificationObserver>(
      center, DeviceManager::kSourceRemoved, [this](const platform::Notification& note) { clientRemoved(note); }));
  std::vector<PresetClient> initial;
  for (const auto& client : store.clients()) {
    if (auto handler = asPresetClient(client)) initial.push_back(std::move(handler));
  }
  model_->setClients(std::move(initial));
}

PresetManagerSourcesViewController::~PresetManagerSourcesViewController() = default;

const std::vector<PresetClient>& PresetManagerSourcesViewController::clients() const { return model_->clients(); }

std::vector<PresetClient> PresetManagerSourcesViewController::targetedClients() const {
  std::vector<PresetClient> clients;
  for (int row : tableView_->targetedRows()) {
    if (auto client = model_->client(row)) clients.push_back(std::move(client));
  }
  return clients;
}

void PresetManagerSourcesViewController::identifySelectedSources() {
  // The clients are taken now: the rows may change before the tasks run.
  for (const auto& client : targetedClients()) {
    if (auto velto = std::dynamic_pointer_cast<device::VeltoClient>(client)) {
      spawnOnMain([velto]() { return identify(velto); });
    }
  }
}

void PresetManagerSourcesViewController::backupSelectedSources() { window_.backupClients(targetedClients()); }

void PresetManagerSourcesViewController::menuWillOpen() {
  bool any = !tableView_->targetedRows().empty();
  identifyAction_->setEnabled(any);
  backupAction_->setEnabled(any);
}

void PresetManagerSourcesViewController::selectionChanged() {
  std::vector<PresetClient> selected;
  for (int row : tableView_->selectedRows()) {
    if (auto client = model_->client(row)) selected.push_back(std::move(client));
  }
  window_.presetsViewController().setClients(std::move(selected));
}

void PresetManagerSourcesViewController::clientAdded(const platform::Notification& notification) {
  if (auto client = presetClientOf(notification)) model_->clientAdded(client);
}

void PresetManagerSourcesViewController::clientRemoved(const platform::Notification& notification) {
  if (auto client = presetClientOf(notification)) model_->clientRemoved(client);
}

}  // namespace app
