#pragma once
// The preset manager window and the device manager as the host of the preset operations. Holds the
// window in a QPointer: once the window is gone the lists are empty, there is no widget, and the
// sheet it hands out is a spare one nobody sees. GUI thread only.

#include <QPointer>

#include "app/PresetManager/PresetManagerWindowController.h"
#include "app/PresetManager/PresetOperationHost.h"

namespace app {

class PresetStore;

class WindowOperationHost : public PresetOperationHost {
 public:
  WindowOperationHost(PresetManagerWindowController& window, PresetStore& store) : window_(&window), store_(store) {}

  std::optional<device::PresetNameList> storedPresets(const Client& client) const override;
  void storePresets(device::PresetNameList presets, const Client& client) override;
  std::optional<PresetDeviceInfo> deviceInfo(const Client& client) const override;
  std::string deviceIP(const Client& client) const override;
  bool isSyncCandidate(const Client& client) const override;
  std::vector<Client> sourceClients() const override;
  std::vector<PresetItem> presetItems() const override;
  QWidget* window() const override { return window_.data(); }
  void showProgress(const std::string& title, std::optional<std::string> subtitle, int maxValue,
                    std::function<void()> cancelHandler) override;
  ProgressSheet& progressSheet() override;
  bool showsProgress() const override;
  void closeProgress() override;

 private:
  QPointer<PresetManagerWindowController> window_;
  PresetStore& store_;
  ProgressSheet spare_;
};

}  // namespace app
