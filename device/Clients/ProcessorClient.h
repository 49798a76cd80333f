#pragma once
// ProcessorClient: the device client for every mixing processor type. It starts sessions like the
// base client but refuses the app and controller types; it reports channel parameter changes to
// an optional ProcessorClientEventHandler, merges the user XML the processor sends into the current
// preset, and saves, deletes, loads and snapshots presets on the device (list, send and fetch are
// the shared segment operations).
//
// Channel parameters are registered under "/Vp/ui/*/ch/*/*/*", which matches only the seven-part
// addresses of relayed changes ("/Vp/ui/2/ch/7/gaindB/Relayed"); a plain six-part report
// ("/Vp/ui/2/ch/7/gaindB") does not reach the handler. Kept so on purpose.
//
// Created by VeltoClient::make<ProcessorClient>(ip, port, listenPort, interface, uid, os, version
// [, eventHandler[, options]]); threads and ownership as VeltoPresetClient. The event handler may
// be set from any thread.

#include <mutex>

#include "device/Clients/ProcessorClientEventHandler.h"
#include "device/Clients/VeltoPresetClient.h"

namespace device {

class ProcessorClient : public VeltoPresetClient {
 public:
  ProcessorClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                  std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                  std::string clientOS, SoftwareVersion clientVersion,
                  std::shared_ptr<ProcessorClientEventHandler> eventHandler = nullptr, Options options = {});

  std::shared_ptr<ProcessorClientEventHandler> eventHandler() const;
  void setEventHandler(std::shared_ptr<ProcessorClientEventHandler> handler);

  std::vector<PresetType> supportedPresetTypes() const override { return {PresetType::preset}; }

  // Throws unsupportedDeviceType for the app and controller types (nothing sent); else the base
  // session start with the same arguments.
  asio::awaitable<std::vector<UserInfo>> processorStartStep(DeviceType deviceType, ConnectionMode mode,
                                                            Nanoseconds timeout);
  asio::awaitable<std::vector<UserInfo>> startSession(DeviceType deviceType, ConnectionMode mode,
                                                      Nanoseconds timeout) override;

  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override;
  Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) override;
  // "/VELTOpelion/control/presetSave" (true, baseName, true, uid), then "Preset ... saved." within
  // `timeout`. Throws the send error or those of waitForConfirmation.
  Task<void> savePreset(PresetName name, std::uint64_t timeout) override;
  // The device-side delete (VeltoPresetClient::deletePresetOnDevice).
  Task<void> deletePreset(PresetName name, bool failWhenMissing) override;
  // "/VELTOpelion/control/presetSelect" (baseName, uid), then the first
  // "/Va/control/presetLoadComplete" within `timeout`. Throws deviceIsOffline (nothing sent)
  // unless online, OSCServerError::readTimeout, presetSelectFailed with "malformed osc reply
  // message", "reply message could not be parsed" or the device's whole "ERROR:..." text.
  Task<void> loadPreset(PresetName name, std::uint64_t timeout) override;
  // Saves the current state under a new UUID name, fetches it (one retry), waits 1 s, deletes it
  // (failWhenMissing) and returns the fetched data. A failure after the save leaves the preset on
  // the device.
  Task<PresetData> snapshotCurrentState(std::uint64_t timeout);

 protected:
  void setupOSCServerHandlers() override;
  // As the base handler, but a user info of the companion app type is ignored.
  void userInfoControlReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message) override;

 private:
  void channelParameterReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);
  void userInfoUserReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);

  mutable std::mutex eventHandlerMutex_;
  std::shared_ptr<ProcessorClientEventHandler> eventHandler_;
};

}  // namespace device
