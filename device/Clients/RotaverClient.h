#pragma once
// RotaverClient: the device client for the personal-mix controller ("VELTO:rotaver", one mix, six
// inputs). Its connection works in admin mode whatever mode is asked for: connect request, one user
// info, ping loop, keep-me-posted, user 1 without a mode, status request. It keeps user shows
// only: listing, sending and fetching go through the shared segment operations; loading, saving
// and deleting through the companion port, save and delete confirmed by a fresh list.
//
// Created by VeltoClient::make<RotaverClient>(ip, port, listenPort, interface, uid, os, version[,
// options]); threads and ownership as VeltoPresetClient.

#include "device/Clients/VeltoPresetClient.h"

namespace device {

class RotaverClient : public VeltoPresetClient {
 public:
  static constexpr std::int64_t kUser = 1;

  RotaverClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                std::string clientOS, SoftwareVersion clientVersion, Options options = {});

  std::vector<PresetType> supportedPresetTypes() const override { return {PresetType::userShow}; }

  // Throws unknownDeviceType without a device type; else disconnects, then connectSteps. The mode
  // is not used.
  asio::awaitable<std::vector<UserInfo>> connect(ConnectionMode mode, Nanoseconds timeout) override;
  // The connection sequence. Throws connectionAlreadyStarted while the server runs (nothing
  // changes); any later failure disconnects, then passes the error on.
  asio::awaitable<UserInfo> connectSteps(Nanoseconds timeout);

  // Load, send, fetch and save throw deviceIsOffline (nothing sent) unless online.
  // "/Va/control/PresetLoad" with name.name (+ ".vup"); no answer awaited. The time-out is unused.
  Task<void> loadPreset(PresetName name, std::uint64_t timeout) override;
  // A name ending in ".vup" is sent without any ".vup" in it.
  Task<bool> sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) override;
  // Fetched as name + ".vup" (unless it ends with it).
  Task<PresetData> receivePreset(PresetName name, int retries, std::uint64_t timeout) override;
  // Saved as a user show, confirmed by the list (presetSaveFailed). The time-out is unused.
  Task<void> savePreset(PresetName name, std::uint64_t timeout) override;
  // Deleted as a user show whatever its type, confirmed by the list (presetDeleteFailed); no
  // online check. The flag is unused.
  Task<void> deletePreset(PresetName name, bool flag) override;

 protected:
  void setupOSCServerHandlers() override;
};

}  // namespace device
