#include "app/Devices/RotaverSettingsViewController.h"

#include "device/Clients/VeltoClient.h"

namespace app {

RotaverSettingsViewController::RotaverSettingsViewController(std::vector<ClientPtr> clients, std::uint64_t timeout,
                                                             QWidget* parent)
    : SettingsPane(std::move(clients), controllerFlagOptions(), "RotaverSettingsViewController", timeout, parent) {
  std::string name;
  if (this->clients().size() == 1)
    if (auto info = this->clients().front()->deviceInfo()) name = info->name();
  load(name);
}

std::optional<std::string> RotaverSettingsViewController::unitName() const {
  if (!singleClient()) return std::nullopt;
  return nameText().toStdString();
}

}  // namespace app
