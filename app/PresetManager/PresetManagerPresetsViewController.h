#pragma once
// The presets list, the right pane of the preset manager window: the presets of the devices
// selected in the sources list (PresetsModel), reloaded on every presets notification of the
// device manager. Its context menu deletes the targeted presets (no confirmation, under the
// progress sheet) and loads the one targeted preset (after a "Warning!" sheet). Rows are dragged
// out through the window's drag data; preset files dropped on it are imported into its one listed
// device. GUI thread only.

#include <memory>
#include <vector>

#include <QWidget>

#include "app/PresetManager/PresetItem.h"

class QAction;
class QMenu;

namespace app {

class ClickedRowTableView;
class NotificationObserver;
class PresetManagerWindowController;
class PresetStore;
class PresetsModel;

class PresetManagerPresetsViewController : public QWidget {
  Q_OBJECT

 public:
  PresetManagerPresetsViewController(PresetStore& store, PresetManagerWindowController& window);
  ~PresetManagerPresetsViewController() override;

  const std::vector<PresetClient>& clients() const;
  // Stores the clients, shows the "device" column only for two or more, and reloads the rows.
  void setClients(std::vector<PresetClient> clients);
  const std::vector<PresetItem>& presets() const;
  void reloadPresets();

  PresetsModel& model() const { return *model_; }
  ClickedRowTableView& tableView() const { return *tableView_; }
  QMenu& menu() const { return *menu_; }

  // The context menu's commands on the targeted rows, and its validation.
  void deletePresetsPressed();
  void loadPresetPressed();
  void menuWillOpen();

 private:
  PresetManagerWindowController& window_;
  PresetsModel* model_;
  ClickedRowTableView* tableView_;
  QMenu* menu_;
  QAction* deleteAction_;
  QAction* loadAction_;
  std::vector<std::unique_ptr<NotificationObserver>> observers_;
};

}  // namespace app
