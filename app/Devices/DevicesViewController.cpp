#include "app/Devices/DevicesViewController.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>

#include "app/ClientCommand.h"
#include "app/Data/DeviceManager.h"
#include "app/Devices/DevicesTableModel.h"
#include "app/Dialogs.h"
#include "app/MainTask.h"
#include "app/NotificationBridge.h"
#include "device/Model/AppSettings.h"

namespace app {

namespace {

constexpr std::uint64_t kDimTimeout = 3'000'000'000;

asio::awaitable<void> applyDisplayDim(QPointer<QWidget> window, std::vector<ClientPtr> controllers, bool dim) {
  device::AppSettings::Container container;
  container.setDisplayDim(dim);
  for (const auto& controller : controllers) {
    auto apply = [controller, container] { return controller->applyAppSettings(container, kDimTimeout); };
    std::exception_ptr error;
    try {
      co_await awaitCommand(apply);
    } catch (...) {
      error = std::current_exception();
    }
    if (error) {
      showErrorAlert(window, error);
      co_return;
    }
  }
}

}  // namespace

DevicesViewController::DevicesViewController(DeviceManager& manager, platform::NotificationCenter& center,
                                             QWidget* parent)
    : QWidget(parent),
      model_(new DevicesTableModel(this)),
      tableView_(new QTableView(this)),
      dimAction_(new QAction(tr("Dim Display"), this)),
      undimAction_(new QAction(tr("Undim Display"), this)),
      bridge_(nullptr) {
  setObjectName("DevicesViewController");
  tableView_->setObjectName("tableView");
  tableView_->setModel(model_);
  tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  tableView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tableView_->setShowGrid(false);
  tableView_->setAlternatingRowColors(true);
  tableView_->verticalHeader()->hide();
  tableView_->horizontalHeader()->setStretchLastSection(true);
  tableView_->horizontalHeader()->setHighlightSections(false);
  tableView_->setColumnWidth(0, 160);
  tableView_->setColumnWidth(1, 120);
  tableView_->setColumnWidth(2, 120);
  tableView_->setColumnWidth(3, 110);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tableView_);

  dimAction_->setObjectName("rotvDimDisplay");
  undimAction_->setObjectName("rotvUndimDisplay");
  connect(dimAction_, &QAction::triggered, this, [this] { setDisplayDim(true); });
  connect(undimAction_, &QAction::triggered, this, [this] { setDisplayDim(false); });
  tableView_->setContextMenuPolicy(Qt::ActionsContextMenu);
  tableView_->addAction(dimAction_);
  tableView_->addAction(undimAction_);
  connect(tableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { selectionChanged(); });

  // Observers first, then the list: a client connected in between arrives by notification.
  bridge_ = new NotificationBridge(center, {DeviceManager::kSourceAdded, DeviceManager::kSourceRemoved}, this);
  connect(bridge_, &NotificationBridge::notified, this,
          [this](const platform::Notification& notification) { received(notification); });
  model_->setClients(manager.clients());
  selectionChanged();
}

const std::vector<ClientPtr>& DevicesViewController::clients() const { return model_->list().clients(); }

std::vector<ClientPtr> DevicesViewController::selectedClients() const {
  std::vector<std::size_t> rows;
  for (const auto& index : tableView_->selectionModel()->selectedRows())
    rows.push_back(static_cast<std::size_t>(index.row()));
  std::sort(rows.begin(), rows.end());
  std::vector<ClientPtr> selected;
  for (auto row : rows)
    if (row < clients().size()) selected.push_back(clients()[row]);
  return selected;
}

std::vector<ClientPtr> DevicesViewController::selectedControllers() const {
  return clientsOfKind(selectedClients(), ClientKind::controller);
}

void DevicesViewController::setDisplayDim(bool dim) {
  auto controllers = selectedControllers();
  if (controllers.empty()) return;
  spawnOnMain([window = QPointer<QWidget>(window()), controllers, dim] {
    return applyDisplayDim(window, controllers, dim);
  });
}

void DevicesViewController::received(const platform::Notification& notification) {
  const auto* client = notification.value<ClientPtr>(DeviceManager::kClientKey);
  if (client == nullptr || !*client) return;
  if (notification.name == DeviceManager::kSourceAdded)
    model_->add(*client);
  else if (notification.name == DeviceManager::kSourceRemoved)
    model_->remove(client->get());
}

void DevicesViewController::selectionChanged() {
  const bool controllers = !selectedControllers().empty();
  dimAction_->setEnabled(controllers);
  undimAction_->setEnabled(controllers);
  if (selectionHandler) selectionHandler(selectedClients());
}

}  // namespace app
