#pragma once
// The preset manager window: a splitter with the sources list (left) and the presets list (right),
// the one progress sheet of every long operation, and the operations the lists start on the
// window (copy, import, backup, export). The program makes it once (PresetManagerWindow.h), which
// restores its geometry and splitter sizes from QSettings and has them saved whenever it hides;
// closing only hides it. Windows made directly (tests) leave the settings alone.
//
// Progress sheet. showProgress() fills and presents the sheet; showsProgressViewController is true
// from then until the sheet finishes by itself, is cancelled, or is closed after a failure by
// closeProgressAfterFailure() (which runs none of the sheet's handlers).
//
// GUI thread only. Operations run as main tasks (MainTask.h) that hold the window in a QPointer.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PresetManager/PresetItem.h"

class QMimeData;
class QSettings;
class QSplitter;

namespace app {

class PresetOperations;
class PresetStore;
class ProgressViewController;
class PresetManagerSourcesViewController;
class PresetManagerPresetsViewController;

class PresetManagerWindowController : public QMainWindow {
  Q_OBJECT

 public:
  // `store` must outlive the window and its tasks.
  explicit PresetManagerWindowController(PresetStore& store, QWidget* parent = nullptr);
  ~PresetManagerWindowController() override;

  PresetStore& store() const { return store_; }
  PresetManagerSourcesViewController& sourcesViewController() const { return *sources_; }
  PresetManagerPresetsViewController& presetsViewController() const { return *presets_; }
  ProgressViewController& progressViewController() const { return *progress_; }

  bool showsProgressViewController() const { return showsProgress_; }
  int maxFilePromiseCounter() const { return maxFilePromiseCounter_; }
  void setMaxFilePromiseCounter(int counter) { maxFilePromiseCounter_ = counter; }

  // Presents the sheet: maxValue 0 means no known total (a busy bar with a maximum of 100).
  void showProgress(const std::string& title, std::optional<std::string> subtitle, int maxValue,
                    std::function<void()> cancelHandler);
  // The sheet's value and status line (nothing when the sheet is gone).
  void setProgressValue(int value);
  void setProgressStatus(std::string status);
  // An operation's error path: closes the sheet when it is still shown, running no handler.
  void closeProgressAfterFailure();

  // Geometry and splitter sizes; with `persist`, saved into QSettings each time the window hides.
  void saveWindowState(QSettings& settings) const;
  void restoreWindowState(const QSettings& settings);
  void setPersistsWindowState(bool persist) { persistsWindowState_ = persist; }

  // Operations of the lists, built with the copy, import, backup and export (their own file).
  // The copy of dragged presets onto `target`: false when the drop gives no copy job.
  bool copyPresets(const QMimeData& data, const PresetClient& target);
  // The import of dropped preset files into `target`: false when nothing is imported.
  bool importPresetFiles(const QMimeData& data, const PresetClient& target);
  // Whether the drop holds preset files.
  bool hasPresetFiles(const QMimeData& data) const;
  // Backs the clients up into a folder the user chooses.
  void backupClients(std::vector<PresetClient> clients);
  // The drag data of presets-list rows (ascending, all with device info).
  QMimeData* makeDragData(const std::vector<int>& rows);

  // The window's two actions (menu "Presets"): a device selector, then the backup or the sync.
  void backupDevices();
  void syncDevices();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  PresetOperations& operations();

  PresetStore& store_;
  QSplitter* splitter_;
  PresetManagerSourcesViewController* sources_;
  PresetManagerPresetsViewController* presets_;
  ProgressViewController* progress_;
  bool showsProgress_ = false;
  int maxFilePromiseCounter_ = 0;
  bool persistsWindowState_ = false;
  std::shared_ptr<PresetOperations> operations_;  // made on first use
};

}  // namespace app
