#include "app/PresetManager/PresetManagerWindow.h"

#include <QPointer>

#include "app/PresetManager/PresetManagerWindowController.h"

namespace app {

namespace {
QPointer<PresetManagerWindowController>& window() {
  static QPointer<PresetManagerWindowController> instance;
  return instance;
}
}  // namespace

PresetManagerWindowController& PresetManagerWindow::show(PresetStore& store) {
  if (window() == nullptr) window() = new PresetManagerWindowController(store);
  window()->show();
  window()->raise();
  window()->activateWindow();
  return *window();
}

PresetManagerWindowController* PresetManagerWindow::instance() { return window(); }

void PresetManagerWindow::destroy() { delete window().data(); }

}  // namespace app
