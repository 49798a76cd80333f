#include "app/Devices/DeviceActions.h"

#include <exception>

#include "app/ClientCommand.h"
#include "device/Clients/VeltoClient.h"

namespace app {

std::vector<ClientPtr> eligibleClients(const std::vector<ClientPtr>& selected) {
  std::vector<ClientPtr> eligible;
  for (const auto& client : selected)
    if (clientKind(*client) != ClientKind::app) eligible.push_back(client);
  return eligible;
}

std::vector<ActionTarget> actionTargets(const std::vector<ClientPtr>& selected) {
  std::vector<ActionTarget> targets;
  for (const auto& client : eligibleClients(selected))
    if (auto info = client->deviceInfo()) targets.push_back({client, std::move(*info)});
  return targets;
}

Alert confirmation(DeviceAction action, const std::vector<ActionTarget>& targets) {
  const bool reboot = action == DeviceAction::reboot;
  std::string question = reboot ? "Are you sure you want to reboot " : "Are you sure you want to reset ";
  if (targets.size() == 1)
    question += "\"" + targets.front().device.name() + "\"" + (reboot ? "?" : " to factory settings?");
  else
    question += std::to_string(targets.size()) + (reboot ? " devices?" : " devices to factory settings?");
  return {reboot ? "Reboot" : "Factory Reset", question, AlertStyle::informational, {"Yes", "No"}};
}

boost::asio::awaitable<void> runDeviceAction(QPointer<QWidget> window, DeviceAction action,
                                             std::vector<ActionTarget> targets) {
  for (const auto& target : targets) {
    auto client = target.client;
    auto serialNumber = target.device.serialNumber();
    auto command = [action, client, serialNumber] {
      return action == DeviceAction::reboot ? client->reboot() : client->factoryReset(serialNumber);
    };
    bool failed = false;
    try {
      co_await awaitCommand(command);
    } catch (...) {
      failed = true;  // the alert names the device, not the error
    }
    if (failed)
      showErrorMessage(window, (action == DeviceAction::reboot ? "Could not reboot " : "Could not factory reset ") +
                                   target.device.name());
  }
}

}  // namespace app
