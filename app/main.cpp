// The program: one instance per user, the devices window, then the start-up work of AppDelegate
// once the window shows. Quitting (the menu, closing the window, SIGINT or SIGTERM) saves the
// window's geometry and stops the device manager before main returns.

#include <csignal>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include "app/AppDelegate.h"
#include "app/Data/DeviceManager.h"
#include "app/Devices/DevicesWindowController.h"
#include "app/Dialogs.h"

namespace {

int signalPipe[2] = {-1, -1};

void onQuitSignal(int) {
  const char byte = 1;
  [[maybe_unused]] auto written = ::write(signalPipe[0], &byte, 1);
}

// SIGINT and SIGTERM quit through the event loop, so that the normal quit path runs.
void quitOnSignals(QApplication& application) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &application);
  QObject::connect(notifier, &QSocketNotifier::activated, &application, [notifier] {
    notifier->setEnabled(false);
    QApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void criticalAlert(const std::string& message, const std::string& information) {
  app::dialogs().runModal(nullptr, app::Alert{message, information, app::AlertStyle::critical, {}});
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName("Velto");
  QApplication::setApplicationName("Velto");

  // The discovery port is shared with port reuse, so a second copy would quietly split the
  // devices' answers with the first.
  QDir runtime(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
  QLockFile lock(runtime.filePath("velto.lock"));
  if (!lock.tryLock(0)) {
    criticalAlert("Velto is already running", "Only one copy of the program can run at a time.");
    return 1;
  }

  app::DeviceManager* manager = nullptr;
  try {
    manager = &app::DeviceManager::shared();
  } catch (const std::exception& error) {
    criticalAlert("Could not start device discoverer", error.what());
    return 1;
  }

  app::AppDelegate delegate(*manager);
  app::DevicesWindowController window(*manager, platform::NotificationCenter::defaultCenter());
  QSettings settings;
  window.restoreWindowState(settings);
  quitOnSignals(application);
  QObject::connect(&application, &QApplication::aboutToQuit, [&] {
    QSettings state;
    window.saveWindowState(state);
    delegate.applicationWillTerminate();
  });

  window.show();
  QTimer::singleShot(0, &window, [&delegate] { delegate.applicationDidFinishLaunching(); });
  return application.exec();
}
