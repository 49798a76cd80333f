#include "app/PresetManager/WindowOperationHost.h"

#include "app/PresetManager/PresetClient.h"
#include "app/PresetManager/PresetManagerPresetsViewController.h"
#include "app/PresetManager/PresetManagerSourcesViewController.h"
#include "app/PresetManager/PresetStore.h"
#include "app/PresetManager/ProgressViewController.h"
#include "device/Clients/AppClient.h"
#include "device/Clients/ProcessorClient.h"

namespace app {

std::optional<device::PresetNameList> WindowOperationHost::storedPresets(const Client& client) const {
  const auto* velto = veltoClient(*client);
  if (velto == nullptr) return std::nullopt;
  return store_.presets(*velto);
}

void WindowOperationHost::storePresets(device::PresetNameList presets, const Client& client) {
  if (auto velto = std::dynamic_pointer_cast<device::VeltoClient>(client))
    store_.setPresets(std::move(presets), std::move(velto));
}

std::optional<PresetDeviceInfo> WindowOperationHost::deviceInfo(const Client& client) const {
  auto info = app::deviceInfo(*client);
  if (!info) return std::nullopt;
  return PresetDeviceInfo{info->serialNumber(), info->name()};
}

std::string WindowOperationHost::deviceIP(const Client& client) const { return app::deviceIP(*client); }

bool WindowOperationHost::isSyncCandidate(const Client& client) const {
  return dynamic_cast<const device::ProcessorClient*>(client.get()) != nullptr ||
         dynamic_cast<const device::AppClient*>(client.get()) != nullptr;
}

std::vector<PresetOperationHost::Client> WindowOperationHost::sourceClients() const {
  if (!window_) return {};
  return window_->sourcesViewController().clients();
}

std::vector<PresetItem> WindowOperationHost::presetItems() const {
  if (!window_) return {};
  return window_->presetsViewController().presets();
}

void WindowOperationHost::showProgress(const std::string& title, std::optional<std::string> subtitle, int maxValue,
                                       std::function<void()> cancelHandler) {
  if (window_) window_->showProgress(title, std::move(subtitle), maxValue, std::move(cancelHandler));
}

ProgressSheet& WindowOperationHost::progressSheet() {
  return window_ ? window_->progressViewController().sheet() : spare_;
}

bool WindowOperationHost::showsProgress() const { return window_ && window_->showsProgressViewController(); }

void WindowOperationHost::closeProgress() {
  if (window_) window_->closeProgressAfterFailure();
}

}  // namespace app
