#include "app/PresetManager/PresetManagerWindow.h"

#include <QPointer>
#include <QSettings>
#include <memory>
#include <vector>

#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetStore.h"

namespace app {

namespace {
QPointer<PresetManagerWindowController>& window() {
  static QPointer<PresetManagerWindowController> instance;
  return instance;
}
}  // namespace

PresetManagerWindowController& PresetManagerWindow::show(DeviceManager& manager, platform::NotificationCenter& center) {
  if (window() != nullptr) return show(window()->store());
  // One store per window made; kept to the end for the tasks a destroyed window left running.
  static std::vector<std::unique_ptr<PresetStore>> stores;
  stores.push_back(std::make_unique<DeviceManagerPresetStore>(manager, center));
  return show(*stores.back());
}

PresetManagerWindowController& PresetManagerWindow::show(PresetStore& store) {
  if (window() == nullptr) {
    window() = new PresetManagerWindowController(store);
    window()->restoreWindowState(QSettings());
    window()->setPersistsWindowState(true);
  }
  window()->show();
  window()->raise();
  window()->activateWindow();
  return *window();
}

PresetManagerWindowController* PresetManagerWindow::instance() { return window(); }

void PresetManagerWindow::destroy() { delete window().data(); }

}  // namespace app
