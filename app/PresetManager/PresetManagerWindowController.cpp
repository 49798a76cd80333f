#include "app/PresetManager/PresetManagerWindowController.h"

#include <QHideEvent>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>

#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetOperations.h"
#include "app/PresetManager/ProgressViewController.h"

namespace app {

namespace {
const char* const kGeometryKey = "PresetManager/geometry";
const char* const kSplitterKey = "PresetManager/splitter";
}  // namespace

PresetManagerWindowController::PresetManagerWindowController(PresetStore& store, QWidget* parent)
    : QMainWindow(parent), store_(store), splitter_(new QSplitter(Qt::Horizontal, this)) {
  setObjectName("presetManagerWindow");
  setWindowTitle(tr("Preset Manager"));
  splitter_->setObjectName("splitView");
  splitter_->setChildrenCollapsible(false);
  // The presets list first: the sources list hands its selection to it from the start.
  presets_ = new PresetManagerPresetsViewController(store, *this);
  sources_ = new PresetManagerSourcesViewController(store, *this);
  splitter_->addWidget(sources_);
  splitter_->addWidget(presets_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 2);
  setCentralWidget(splitter_);
  auto* menu = menuBar()->addMenu(tr("Presets"));
  menu->setObjectName("presetsMenu");
  auto* backup = menu->addAction(tr("Back Up Devices…"), this, [this] { backupDevices(); });
  backup->setObjectName("backupDevices");
  auto* sync = menu->addAction(tr("Sync Devices…"), this, [this] { syncDevices(); });
  sync->setObjectName("syncDevices");
  progress_ = new ProgressViewController(this);
  progress_->setObjectName("progressViewController");
  resize(720, 440);
}

PresetManagerWindowController::~PresetManagerWindowController() = default;

void PresetManagerWindowController::showProgress(const std::string& title, std::optional<std::string> subtitle,
                                                 int maxValue, std::function<void()> cancelHandler) {
  auto& sheet = progress_->sheet();
  sheet.title = title;
  sheet.subtitle = std::move(subtitle);
  QPointer<PresetManagerWindowController> self(this);
  sheet.cancelHandler = [self, cancelHandler = std::move(cancelHandler)] {
    if (cancelHandler) cancelHandler();
    if (self != nullptr) self->showsProgress_ = false;
  };
  sheet.finishedHandler = [self] {
    if (self == nullptr) return;
    self->showsProgress_ = false;
    self->maxFilePromiseCounter_ = 0;
  };
  sheet.setMaxValue(maxValue);
  progress_->present(this);
  sheet.setValue(0);
  showsProgress_ = true;
}

void PresetManagerWindowController::setProgressValue(int value) { progress_->sheet().setValue(value); }

void PresetManagerWindowController::setProgressStatus(std::string status) {
  progress_->sheet().setStatus(std::move(status));
}

void PresetManagerWindowController::closeProgressAfterFailure() {
  if (!showsProgress_) return;
  showsProgress_ = false;
  progress_->sheet().closeByOwner();
}

void PresetManagerWindowController::hideEvent(QHideEvent* event) {
  if (persistsWindowState_ && !event->spontaneous()) {
    QSettings settings;
    saveWindowState(settings);
  }
  QMainWindow::hideEvent(event);
}

void PresetManagerWindowController::saveWindowState(QSettings& settings) const {
  settings.setValue(kGeometryKey, saveGeometry());
  settings.setValue(kSplitterKey, splitter_->saveState());
}

void PresetManagerWindowController::restoreWindowState(const QSettings& settings) {
  if (auto geometry = settings.value(kGeometryKey).toByteArray(); !geometry.isEmpty()) restoreGeometry(geometry);
  if (auto state = settings.value(kSplitterKey).toByteArray(); !state.isEmpty()) splitter_->restoreState(state);
}

}  // namespace app
