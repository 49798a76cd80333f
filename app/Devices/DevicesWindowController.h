#pragma once
// The devices window: a splitter (child "splitViewController") holding the devices list and an
// inspector pane chosen by the selection (SelectionPanes), and the main menu with the device
// actions "editNetworkSettings", "rebootDevice" and "factoryReset", the list's dim actions and
// "showPresetManager", which opens the program's one preset manager window (PresetManagerWindow).
// The three device actions are enabled while at least one selected client is not a companion
// app; the dim actions while a controller is selected. Actions work on the selection in list
// order; their tasks run on the GUI thread and touch no widget, so they may outlive the window.
//
// Geometry and splitter sizes are the window's only saved state (saveWindowState and
// restoreWindowState, called by the program; tests leave them alone).

#include <vector>

#include <QMainWindow>

#include "app/Devices/ClientKind.h"
#include "app/Devices/SelectionPanes.h"

class QAction;
class QSettings;
class QSplitter;

namespace platform {
class NotificationCenter;
}

namespace app {

class DeviceManager;
class DevicesViewController;
enum class DeviceAction;

class DevicesWindowController : public QMainWindow {
  Q_OBJECT

 public:
  // Lists the manager's clients and follows its notifications on `center`.
  DevicesWindowController(DeviceManager& manager, platform::NotificationCenter& center,
                          QWidget* parent = nullptr);

  DevicesViewController* devicesViewController() const { return devices_; }
  QSplitter* splitView() const { return splitter_; }
  // The pane shown now (item 1 of the splitter).
  QWidget* inspector() const;
  // The factories the inspector chooses from; settings panes register here.
  SelectionPanes& inspectorPanes() { return panes_; }

  // Replaces the inspector with a new pane for `clients`.
  void showInspector(const std::vector<ClientPtr>& clients);

  // The selected clients the device actions work on (all but companion apps), in list order.
  std::vector<ClientPtr> eligibleClients() const;

  void editNetworkSettings();
  void rebootDevice();
  void factoryReset();
  // Shows the preset manager window over this window's manager, raising it when already open.
  void showPresetManager();

  void saveWindowState(QSettings& settings) const;
  void restoreWindowState(const QSettings& settings);

 private:
  void buildMenus();
  void updateActions();
  void runAction(DeviceAction action);

  DeviceManager& manager_;
  platform::NotificationCenter& center_;
  DevicesViewController* devices_;
  QSplitter* splitter_;
  SelectionPanes panes_;
  QAction* editNetworkSettingsAction_;
  QAction* rebootDeviceAction_;
  QAction* factoryResetAction_;
};

}  // namespace app
