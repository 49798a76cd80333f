#pragma once
// One apply of a settings pane, without widgets: an optional rename, then the changed settings to
// every selected device at once, the error alert, and the pane's finish.

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>
#include <boost/asio/awaitable.hpp>

#include "app/Devices/ClientKind.h"
#include "device/Model/AppSettings.h"

namespace app {

struct SettingsApply {
  // The confirmation wait of each device, in nanoseconds.
  static constexpr std::uint64_t kTimeout = 3'000'000'000;

  std::vector<ClientPtr> clients;
  // When set, the first client is renamed to it first; a failed rename ends the apply silently.
  std::optional<std::string> unitName;
  // The settings to send, read after the rename.
  std::function<device::AppSettings::Container()> changes;
  // Posted to the GUI thread when the apply has ended, whatever happened.
  std::function<void()> finish;
  std::uint64_t timeout = kTimeout;
  // The window the error alert belongs to (the devices window).
  QPointer<QWidget> window;
};

// Sends `changes` to every client at once (applyAppSettings with `timeout` each) and waits for all
// of them; gives the first failure in order of completion, or null.
boost::asio::awaitable<std::exception_ptr> applyToEach(std::vector<ClientPtr> clients,
                                                       device::AppSettings::Container changes,
                                                       std::uint64_t timeout);

// The apply as a main task: rename, send, on failure the alert "Error" / "Could not apply
// changes: " + the error's description, then `finish`.
boost::asio::awaitable<void> runSettingsApply(SettingsApply job);

}  // namespace app
