#pragma once
// The sources list, the left pane of the preset manager window: the connected devices that handle
// presets (SourcesModel), kept in step with the device manager's source notifications. Its
// selection sets the presets list's clients. Its context menu makes the targeted devices identify
// themselves or backs them up. A drop on a device goes to the window's copy first, then to its
// import. GUI thread only.

#include <memory>
#include <vector>

#include <QWidget>

#include "app/PresetManager/PresetItem.h"

class QAction;
class QMenu;

namespace platform {
struct Notification;
}

namespace app {

class ClickedRowTableView;
class NotificationObserver;
class PresetManagerWindowController;
class PresetStore;
class SourcesModel;

class PresetManagerSourcesViewController : public QWidget {
  Q_OBJECT

 public:
  // Lists the store's online preset handlers in the store's order.
  PresetManagerSourcesViewController(PresetStore& store, PresetManagerWindowController& window);
  ~PresetManagerSourcesViewController() override;

  const std::vector<PresetClient>& clients() const;
  SourcesModel& model() const { return *model_; }
  ClickedRowTableView& tableView() const { return *tableView_; }
  QMenu& menu() const { return *menu_; }

  // The context menu's commands on the targeted rows, and its validation.
  void identifySelectedSources();
  void backupSelectedSources();
  void menuWillOpen();

 private:
  std::vector<PresetClient> targetedClients() const;
  void selectionChanged();
  void clientAdded(const platform::Notification& notification);
  void clientRemoved(const platform::Notification& notification);

  PresetManagerWindowController& window_;
  SourcesModel* model_;
  ClickedRowTableView* tableView_;
  QMenu* menu_;
  QAction* identifyAction_;
  QAction* backupAction_;
  std::vector<std::unique_ptr<NotificationObserver>> observers_;
};

}  // namespace app
