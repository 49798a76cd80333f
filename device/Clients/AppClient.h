#pragma once
// AppClient: the device client for the companion mixing app ("VELTO:app", one mix, one input).
// Its connection works in admin mode whatever mode is asked for: connect request, one user info,
// ping loop, user 9111 in mode 40, keep-me-posted, status request. A user info of the app updates
// the preset's only user. It lists, sends, fetches and deletes presets and user shows; loading and
// saving are not supported (actionUnsupportedByDevice).
//
// Created by VeltoClient::make<AppClient>(ip, port, listenPort, interface, uid, os, version[,
// options]); threads and ownership as VeltoPresetClient.

#include "device/Clients/VeltoPresetClient.h"

namespace device {

class AppClient : public VeltoPresetClient {
 public:
  static constexpr std::int64_t kUser = 9111;

  AppClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
            std::optional<std::string> listenInterface, std::optional<std::string> clientUid, std::string clientOS,
            SoftwareVersion clientVersion, Options options = {});

  std::vector<PresetType> supportedPresetTypes() const override { return {PresetType::preset, PresetType::userShow}; }

  // Disconnects, then connectSteps; the mode is not used. The device type is not checked.
  asio::awaitable<std::vector<UserInfo>> connect(ConnectionMode mode, Nanoseconds timeout) override;
  // The connection sequence. Throws connectionAlreadyStarted while the server runs (nothing
  // changes); any later failure disconnects, then passes the error on.
  asio::awaitable<UserInfo> connectSteps(Nanoseconds timeout);

  // A name ending in ".vup" is sent without any ".vup" in it.
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override;
  // Fetched as name + ".vup" (unless it ends with it).
  Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) override;
  // A user show through the companion port, confirmed by the list; otherwise the device-side
  // delete (failWhenMissing applies only there).
  Task<void> deletePreset(PresetName name, bool failWhenMissing) override;
  // Not supported: throw actionUnsupportedByDevice, nothing sent.
  Task<void> loadPreset(PresetName name, std::uint64_t timeout) override;
  Task<void> savePreset(PresetName name, std::uint64_t timeout) override;
  Task<void> unsupportedPresetOperation();

 protected:
  void setupOSCServerHandlers() override;
  // Only a user info of the app type (one mix, one input) counts: it sets the device info and the
  // name, icon, phase invert and mix hide of the preset's first user (its user number is not used).
  void userInfoControlReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message) override;
};

}  // namespace device
