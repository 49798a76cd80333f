#pragma once
// What the preset operations (copy, import, backup, sync, export) need of the preset manager
// window and of the device manager. The window implements it; tests give a headless one.
//
// Owned by std::shared_ptr: every task of an operation holds its host until it ends, so an
// implementation that wraps a window must cope with the window being gone (no widget, empty
// lists). GUI thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PresetManager/PresetItem.h"
#include "app/PresetManager/ProgressSheet.h"
#include "device/Model/PresetNameList.h"
#include "device/Presets/PresetHandler.h"

class QWidget;

namespace app {

// What a device told about itself, as far as the operations use it.
struct PresetDeviceInfo {
  std::string serialNumber;
  std::string name;
};

class PresetOperationHost {
 public:
  using Client = std::shared_ptr<device::PresetHandler>;

  virtual ~PresetOperationHost() = default;

  // --- Devices (the device manager and the clients). ---
  // The device's last stored preset-name list; none when nothing is stored or it has no info.
  virtual std::optional<device::PresetNameList> storedPresets(const Client& client) const = 0;
  // Stores a list the window fetched itself; the device manager posts the differences.
  virtual void storePresets(device::PresetNameList presets, const Client& client) = 0;
  // The device's information; none until it has reported.
  virtual std::optional<PresetDeviceInfo> deviceInfo(const Client& client) const = 0;
  // The device's address as dotted text.
  virtual std::string deviceIP(const Client& client) const = 0;
  // Whether the sync offers the device (processors and the companion app, not controllers).
  virtual bool isSyncCandidate(const Client& client) const = 0;

  // --- The window. ---
  // The sources list's clients, in list order.
  virtual std::vector<Client> sourceClients() const = 0;
  // The presets list's current rows.
  virtual std::vector<PresetItem> presetItems() const = 0;
  // The window the sheets and alerts belong to; null when it is gone.
  virtual QWidget* window() const = 0;

  // --- The window's one progress sheet. ---
  // Fills and presents the sheet: title, subtitle, maximum (0: indeterminate), and a Cancel that
  // runs `cancelHandler`. showsProgress() is true until the sheet closes.
  virtual void showProgress(const std::string& title, std::optional<std::string> subtitle, int maxValue,
                            std::function<void()> cancelHandler) = 0;
  virtual ProgressSheet& progressSheet() = 0;
  virtual bool showsProgress() const = 0;
  // The owner closes the sheet (after an error or when the work ended short of its count); no
  // handler runs. Nothing happens when it is not shown.
  virtual void closeProgress() = 0;

  // The client's name for the user: its device name, else its address.
  std::string displayName(const Client& client) const {
    auto info = deviceInfo(client);
    return info ? info->name : deviceIP(client);
  }
};

}  // namespace app
