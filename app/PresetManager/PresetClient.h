#pragma once
// The preset manager's view of a device: a client that handles presets. Every PresetHandler of
// the program is also a device::VeltoClient (the client kinds derive from both), so the windows
// read the device's address, information and type through the client; two values are the same
// device exactly when they point to the same object.
//
// The getters read the client's state under its own lock; any thread.

#include <memory>
#include <optional>
#include <string>

#include "app/PresetManager/PresetItem.h"
#include "device/Clients/VeltoClient.h"
#include "device/Model/UserInfo.h"
#include "device/Presets/PresetHandler.h"

namespace app {

// The client's preset face; null when it handles no presets.
PresetClient asPresetClient(const std::shared_ptr<device::VeltoClient>& client);
// The client behind a preset handler; null only for handlers that are no device client.
const device::VeltoClient* veltoClient(const device::PresetHandler& handler);

std::optional<device::UserInfo::Device> deviceInfo(const device::PresetHandler& handler);
std::string deviceIP(const device::PresetHandler& handler);
// The device's name when it has reported its information, else its address.
std::string deviceName(const device::PresetHandler& handler);
// "name@address" when the device has reported its information, else the address.
std::string sourceTitle(const device::PresetHandler& handler);
// The symbol name of the device's type ("laptopcomputer", "gamecontroller", "music.note.tv"), or
// "questionmark.app" while the type is unknown.
std::string sourceIconName(const device::PresetHandler& handler);
// The companion app acting as a device.
bool isAppClient(const device::PresetHandler& handler);

}  // namespace app
