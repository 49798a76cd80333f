#include "app/PresetManager/PresetClient.h"

#include "device/Clients/AppClient.h"

namespace app {

PresetClient asPresetClient(const std::shared_ptr<device::VeltoClient>& client) {
  return std::dynamic_pointer_cast<device::PresetHandler>(client);
}

const device::VeltoClient* veltoClient(const device::PresetHandler& handler) {
  return dynamic_cast<const device::VeltoClient*>(&handler);
}

std::optional<device::UserInfo::Device> deviceInfo(const device::PresetHandler& handler) {
  const auto* client = veltoClient(handler);
  return client != nullptr ? client->deviceInfo() : std::nullopt;
}

std::string deviceIP(const device::PresetHandler& handler) {
  const auto* client = veltoClient(handler);
  return client != nullptr ? client->deviceIP() : std::string();
}

std::string deviceName(const device::PresetHandler& handler) {
  auto info = deviceInfo(handler);
  return info ? info->name() : deviceIP(handler);
}

std::string sourceTitle(const device::PresetHandler& handler) {
  auto info = deviceInfo(handler);
  return info ? info->name() + "@" + deviceIP(handler) : deviceIP(handler);
}

std::string sourceIconName(const device::PresetHandler& handler) {
  const auto* client = veltoClient(handler);
  auto type = client != nullptr ? client->deviceType() : std::nullopt;
  return type ? device::iconName(type->value()) : std::string("questionmark.app");
}

bool isAppClient(const device::PresetHandler& handler) {
  return dynamic_cast<const device::AppClient*>(&handler) != nullptr;
}

}  // namespace app
