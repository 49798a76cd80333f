#include "app/PresetManager/PresetManagerWindow.h"

#include <QPointer>
#include <QSettings>
#include <memory>

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
  static DeviceManagerPresetStore store(manager, center);
  return show(store);
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
