#include "app/AppDelegate.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "app/Data/DeviceManager.h"
#include "app/Dialogs.h"
#include "app/PresetManager/PresetManagerWindow.h"
#include "log/ConsoleDestination.h"
#include "log/Tallylog.h"

namespace app {

bool AppDelegate::applicationDidFinishLaunching() {
  auto console = std::make_shared<tallylog::ConsoleDestination>();
  console->minLevel = tallylog::Tallylog::Level::info;
  console->format = kConsoleFormat;
  tallylog::Tallylog::addDestination(console);

  std::optional<std::string> failure;
  try {
    manager_.startDiscoverer(1'000'000'000);
  } catch (...) {
    failure = errorDescription(std::current_exception());
  }
  if (!failure) {
    manager_.startReconnectTimer();
    return true;
  }
  TALLYLOG_ERROR("Could not start device discoverer: " + *failure);
  dialogs().runModal(nullptr, Alert{"Could not start device discoverer", *failure, AlertStyle::critical, {}});
  return false;
}

void AppDelegate::applicationWillTerminate() {
  // The window's lists and tasks read the manager: it goes first.
  PresetManagerWindow::destroy();
  manager_.stop();
}

}  // namespace app
