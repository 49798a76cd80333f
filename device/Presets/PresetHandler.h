#pragma once
// PresetHandler: the one interface through which everything above the device clients lists,
// sends, fetches, loads, saves and deletes presets on a device. The device clients implement the
// pure virtual operations; the operations taking a whole Preset and supportsPresetType are shared
// here and not overridden.
//
// Until the client base class exists, what callers read of a client for identity and log lines
// (device address, ports, online state, description) is declared here as well.
//
// Owned by whoever owns the client (std::shared_ptr). The asynchronous operations may suspend for
// seconds (their time-outs) and are called from tasks; different handlers may be used from
// different tasks at the same time. Time-outs are unsigned counts of nanoseconds. Operations a
// kind of device cannot do throw the clients' "action unsupported by device" error.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "device/Model/PresetName.h"
#include "device/Model/PresetNameList.h"
#include "device/Model/PresetType.h"
#include "device/Presets/Preset.h"
#include "device/Presets/PresetData.h"
#include "device/Presets/PresetEventHandler.h"
#include "device/Presets/PresetSegmentHandler.h"

namespace device {

class PresetHandler {
 public:
  template <class T>
  using Task = boost::asio::awaitable<T>;

  virtual ~PresetHandler() = default;

  // Identity and log lines. Two handlers denote the same device when address and both ports agree.
  virtual std::string deviceIP() const = 0;
  virtual std::uint16_t devicePort() const = 0;
  virtual std::uint16_t listenPort() const = 0;
  virtual bool isOnline() const = 0;
  virtual std::string description() const = 0;
  static bool sameDevice(const PresetHandler& x, const PresetHandler& y);

  // The client's own segment collector, created with it; never null.
  virtual std::shared_ptr<PresetSegmentHandler> presetSegmentHandler() const = 0;
  // The preset types this kind of device stores.
  virtual std::vector<PresetType> supportedPresetTypes() const = 0;
  // Whether supportedPresetTypes holds `type` (by raw value).
  bool supportsPresetType(PresetType type) const;

  // The names of every preset stored on the device, defaults and backups included.
  virtual Task<PresetNameList> requestPresetList(std::uint64_t timeout) = 0;
  // The device makes the named preset its current state.
  virtual Task<void> loadPreset(PresetName name, std::uint64_t timeout) = 0;
  // Stores the uncompressed document bytes on the device under `name`; `flag` travels with the
  // request. False when there was nothing to send.
  virtual Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) = 0;
  // The device's stored copy of the named preset; a failed attempt is repeated until 1 + retries
  // attempts have failed, then the last error is thrown (PresetSegmentHandlerError::timeout or
  // incompleteReceive when the segments do not all arrive).
  virtual Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) = 0;
  // The device stores its current state as a preset named `name`.
  virtual Task<void> savePreset(PresetName name, std::uint64_t timeout) = 0;
  // Removes the named preset from the device; `flag` travels with the request.
  virtual Task<void> deletePreset(PresetName name, bool flag) = 0;

  // Serialises the document (its error propagates and nothing is sent), then sendPreset with the
  // bytes, the document's name and the flag.
  Task<bool> sendPresetModel(std::shared_ptr<Preset> preset, bool flag);
  // deletePreset with the document's name and the flag.
  Task<void> deletePresetModel(std::shared_ptr<Preset> preset, bool flag);

  // The observer of the device's confirmations; empty at first. Any thread.
  std::shared_ptr<PresetEventHandler> presetEventHandler() const;
  void setPresetEventHandler(std::shared_ptr<PresetEventHandler> handler);

 private:
  mutable std::mutex eventHandlerMutex_;
  std::shared_ptr<PresetEventHandler> presetEventHandler_;
};

}  // namespace device
