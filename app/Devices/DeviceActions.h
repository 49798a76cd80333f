#pragma once
// The reboot and factory-reset actions of the devices window, without widgets: which selected
// clients they act on, the confirmation, and the task that sends the command to each device.

#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>
#include <boost/asio/awaitable.hpp>

#include "app/Devices/ClientKind.h"
#include "app/Dialogs.h"
#include "device/Model/UserInfo.h"

namespace app {

enum class DeviceAction { reboot, factoryReset };

// The clients the window's device actions may work on: every selected client except companion
// apps, in order.
std::vector<ClientPtr> eligibleClients(const std::vector<ClientPtr>& selected);

// A client with the device information read when the action was chosen.
struct ActionTarget {
  ClientPtr client;
  device::UserInfo::Device device;
};

// The eligible clients that have device information (their name and serial number are needed);
// a client that has none yet is left out.
std::vector<ActionTarget> actionTargets(const std::vector<ClientPtr>& selected);

// The confirmation: "Reboot" or "Factory Reset", informational, buttons "Yes" and "No"; the
// question names the one device or counts them.
Alert confirmation(DeviceAction action, const std::vector<ActionTarget>& targets);

// Sends the command to each target in order, one after the other; a failure shows the alert
// "Could not reboot <name>" ("Could not factory reset <name>") over `window` and the next target
// follows. A main task: it touches no other widget.
boost::asio::awaitable<void> runDeviceAction(QPointer<QWidget> window, DeviceAction action,
                                             std::vector<ActionTarget> targets);

}  // namespace app
