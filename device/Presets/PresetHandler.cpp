#include "device/Presets/PresetHandler.h"

#include <algorithm>

namespace device {

bool PresetHandler::sameDevice(const PresetHandler& x, const PresetHandler& y) {
  return x.deviceIP() == y.deviceIP() && x.devicePort() == y.devicePort() && x.listenPort() == y.listenPort();
}

bool PresetHandler::supportsPresetType(PresetType type) const {
  const auto types = supportedPresetTypes();
  return std::find(types.begin(), types.end(), type) != types.end();
}

PresetHandler::Task<bool> PresetHandler::sendPresetModel(std::shared_ptr<Preset> preset, bool flag) {
  std::vector<std::uint8_t> bytes = preset->xmlData();
  PresetName name = preset->name;
  co_return co_await sendPreset(std::move(bytes), std::move(name), flag);
}

PresetHandler::Task<void> PresetHandler::deletePresetModel(std::shared_ptr<Preset> preset, bool flag) {
  PresetName name = preset->name;
  co_await deletePreset(std::move(name), flag);
}

std::shared_ptr<PresetEventHandler> PresetHandler::presetEventHandler() const {
  std::lock_guard lock(eventHandlerMutex_);
  return presetEventHandler_;
}

void PresetHandler::setPresetEventHandler(std::shared_ptr<PresetEventHandler> handler) {
  std::lock_guard lock(eventHandlerMutex_);
  presetEventHandler_ = std::move(handler);
}

}  // namespace device
