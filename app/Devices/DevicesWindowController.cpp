#include "app/Devices/DevicesWindowController.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>

#include "app/ClientCommand.h"
#include "app/Devices/DeviceActions.h"
#include "app/Devices/DevicesViewController.h"
#include "app/Devices/NetworkSettingsViewController.h"
#include "app/MainTask.h"
#include "app/PresetManager/PresetManagerWindow.h"
#include "device/Clients/VeltoClient.h"
#include "device/Model/Settings.h"

namespace app {

namespace {

QAction* makeAction(const QString& title, const char* name, QObject* parent) {
  auto* action = new QAction(title, parent);
  action->setObjectName(name);
  return action;
}

asio::awaitable<void> sendNetworkChange(ClientPtr client, NetworkChange change,
                                        std::function<void(std::exception_ptr)> done) {
  auto command = [client, change]() -> asio::awaitable<void> {
    if (change.kind == NetworkChange::Kind::automatic) return client->setAutomaticIP();
    return client->setFixedIP(change.addressing.ip, change.addressing.subnet, change.addressing.gateway);
  };
  std::exception_ptr error;
  try {
    co_await awaitCommand(command);
  } catch (...) {
    error = std::current_exception();
  }
  done(error);
}

}  // namespace

DevicesWindowController::DevicesWindowController(DeviceManager& manager, platform::NotificationCenter& center,
                                                 QWidget* parent)
    : QMainWindow(parent),
      manager_(manager),
      center_(center),
      devices_(new DevicesViewController(manager, center)),
      splitter_(new QSplitter(Qt::Horizontal, this)),
      editNetworkSettingsAction_(makeAction(tr("Network Settings…"), "editNetworkSettings", this)),
      rebootDeviceAction_(makeAction(tr("Reboot…"), "rebootDevice", this)),
      factoryResetAction_(makeAction(tr("Factory Reset…"), "factoryReset", this)) {
  setObjectName("DevicesWindowController");
  setWindowTitle(tr("Devices"));
  splitter_->setObjectName("splitViewController");
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(devices_);
  splitter_->addWidget(panes_.make({}).widget);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  splitter_->setSizes({620, 280});
  setCentralWidget(splitter_);
  resize(900, 420);

  buildMenus();
  devices_->selectionHandler = [this](const std::vector<ClientPtr>& clients) {
    showInspector(clients);
    updateActions();
  };
  updateActions();
}

void DevicesWindowController::buildMenus() {
  auto* file = menuBar()->addMenu(tr("&File"));
  auto* quit = makeAction(tr("&Quit"), "quit", this);
  quit->setShortcut(QKeySequence::Quit);
  connect(quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);
  file->addAction(quit);

  auto* device = menuBar()->addMenu(tr("&Device"));
  device->setObjectName("deviceMenu");
  device->addAction(editNetworkSettingsAction_);
  device->addAction(rebootDeviceAction_);
  device->addAction(factoryResetAction_);
  device->addSeparator();
  device->addAction(devices_->dimAction());
  device->addAction(devices_->undimAction());
  connect(editNetworkSettingsAction_, &QAction::triggered, this, [this] { editNetworkSettings(); });
  connect(rebootDeviceAction_, &QAction::triggered, this, [this] { rebootDevice(); });
  connect(factoryResetAction_, &QAction::triggered, this, [this] { factoryReset(); });

  auto* window = menuBar()->addMenu(tr("&Window"));
  window->setObjectName("windowMenu");
  auto* presetManager = makeAction(tr("Preset Manager"), "showPresetManager", this);
  connect(presetManager, &QAction::triggered, this, [this] { showPresetManager(); });
  window->addAction(presetManager);
}

QWidget* DevicesWindowController::inspector() const { return splitter_->count() > 1 ? splitter_->widget(1) : nullptr; }

void DevicesWindowController::showInspector(const std::vector<ClientPtr>& clients) {
  auto pane = panes_.make(clients);
  if (pane.minimumWidth > 0) pane.widget->setMinimumWidth(pane.minimumWidth);
  // Replacing keeps the splitter's sizes; the old pane goes once its events are handled.
  auto* old = splitter_->replaceWidget(1, pane.widget);
  if (old != nullptr) {
    old->hide();
    old->deleteLater();
  }
}

std::vector<ClientPtr> DevicesWindowController::eligibleClients() const {
  return app::eligibleClients(devices_->selectedClients());
}

void DevicesWindowController::updateActions() {
  const bool enabled = !eligibleClients().empty();
  for (auto* action : {editNetworkSettingsAction_, rebootDeviceAction_, factoryResetAction_})
    action->setEnabled(enabled);
}

void DevicesWindowController::editNetworkSettings() {
  auto eligible = eligibleClients();
  if (eligible.empty()) return;
  auto client = eligible.front();  // the others are ignored
  auto info = client->deviceInfo();
  auto* sheet = new NetworkSettingsViewController(this);
  sheet->setAttribute(Qt::WA_DeleteOnClose);
  sheet->setDevice(networkSettingsTitle(info ? std::optional(info->name()) : std::nullopt, client->deviceIP()),
                   NetworkAddressing::of(*client->status()->settings));
  sheet->send = [client](const NetworkChange& change, std::function<void(std::exception_ptr)> done) {
    spawnOnMain([client, change, done] { return sendNetworkChange(client, change, done); });
  };
  sheet->present(this);
}

void DevicesWindowController::rebootDevice() { runAction(DeviceAction::reboot); }

void DevicesWindowController::factoryReset() { runAction(DeviceAction::factoryReset); }

void DevicesWindowController::runAction(DeviceAction action) {
  auto targets = actionTargets(devices_->selectedClients());
  if (targets.empty()) return;
  if (dialogs().runModal(this, confirmation(action, targets)) != alertFirstButtonReturn) return;
  spawnOnMain([window = QPointer<QWidget>(this), action, targets] { return runDeviceAction(window, action, targets); });
}

void DevicesWindowController::showPresetManager() { PresetManagerWindow::show(manager_, center_); }

void DevicesWindowController::saveWindowState(QSettings& settings) const {
  settings.setValue("DevicesWindow/geometry", saveGeometry());
  settings.setValue("DevicesWindow/splitter", splitter_->saveState());
}

void DevicesWindowController::restoreWindowState(const QSettings& settings) {
  restoreGeometry(settings.value("DevicesWindow/geometry").toByteArray());
  splitter_->restoreState(settings.value("DevicesWindow/splitter").toByteArray());
}

}  // namespace app
