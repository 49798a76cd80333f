#pragma once
// VeltoPresetClient: the base of the three device kinds that keep presets (AppClient,
// RotaverClient, ProcessorClient). It is a VeltoClient and a PresetHandler and holds what the kinds
// share: the segment collector, the preset list request, sending and fetching presets in 1000-byte
// segments, the delete on the control port, the user-show save and delete confirmed by a fresh
// list, and the handlers of "/VELTOapp/confirmation" and "/VELTOapp/control/PresetSeg".
// A kind overrides only what differs (connection order, name rules, load and save).
//
// Created like every client through VeltoClient::make<Kind>(...) (two phases); owned through
// std::shared_ptr, usable as std::shared_ptr<PresetHandler>. Threads as VeltoClient: operations are
// awaited from tasks made by async::spawn, handlers run on queue(), preset events are delivered on
// queue(), segments are stored on the segment handler's own queue.
//
// Names of segments. A segment travels under name + ".VELTOshow" (preset) or ".vup" (user show);
// the backup part of a name is not in it. Received segments are gathered under their file name
// with only a final ".VELTOshow" or ".vup" removed, so "My.Show.VELTOshow" is "My.Show" (not "My"),
// and a fetch waits under the device-side name stripped the same way.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Clients/VeltoClient.h"
#include "device/Presets/PresetHandler.h"

namespace device {

class VeltoPresetClient : public VeltoClient, public PresetHandler {
 public:
  static constexpr std::chrono::milliseconds kListDelay{250};  // before the list after a user-show change

  VeltoPresetClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                    std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                    std::string clientOS, SoftwareVersion clientVersion, Options options = {});

  // --- PresetHandler: identity (VeltoClient's values). ---
  std::string deviceIP() const override { return VeltoClient::deviceIP(); }
  std::uint16_t devicePort() const override { return VeltoClient::devicePort(); }
  std::uint16_t listenPort() const override { return VeltoClient::listenPort(); }
  bool isOnline() const override { return VeltoClient::isOnline(); }
  std::string description() const override { return VeltoClient::description(); }
  using VeltoClient::isOnline;

  std::shared_ptr<PresetSegmentHandler> presetSegmentHandler() const override { return presetSegmentHandler_; }

  // The device's preset list: "/VELTOpelion/control/RequestListOfPresets" (true, uid) as the only
  // element of a bundle with time tag 1; the first "/VELTOapp/control/PresetList" received after
  // the send, without its last argument, its strings read as names (others skipped); a reply
  // without any argument is an empty list. Throws deviceIsOffline (nothing sent) unless online,
  // the send error, OSCServerError::readTimeout when no list comes in time. A list whose texts
  // equal those of the last one read is not read again: it is that list.
  Task<PresetNameList> requestPresetList(std::uint64_t timeout) override;

  // The device-side delete: "/VELTOpelion/control/presetDelete" (true, baseName [+ ".vup" for a
  // user show], uid), confirmed within 1 s. The device's error "File not found." counts as done
  // unless failWhenMissing; any other error passes on.
  Task<void> deletePresetOnDevice(PresetName name, bool failWhenMissing);

  // The name a received segment is gathered under: the file name without a final ".VELTOshow" or
  // ".vup" (only one is removed; any other extension stays).
  static std::string segmentKey(std::string_view fileName);

 protected:
  // The admin connection of the app and the controller, after which they differ.
  struct ConnectionOrder {
    std::uint64_t inputs = 1;  // of the fresh default preset
    std::uint64_t mixes = 1;
    std::int64_t user = 1;                     // switched to
    std::optional<ConnectionMode> userMode;    // sent with the switch when set
    bool keepMePostedFirst = false;            // before the switch, else after it
  };
  // Server start (connectionAlreadyStarted while it runs, nothing changes), a fresh default preset,
  // connect request in admin mode, one user info within `timeout`, device info, last sign of life,
  // ping loop, then switch user and keep-me-posted in the given order and a status request. Any
  // failure after the start disconnects, then passes the error on.
  asio::awaitable<UserInfo> connectionSequence(ConnectionOrder order, Nanoseconds timeout);

  // Registers the confirmation and segment handlers; a kind calls it from its
  // setupOSCServerHandlers() after the base registrations.
  void registerPresetHandlers();

  // Sends `bytes` (zlib-compressed first for a preset) in segments under the segment file name of
  // `name`, without pause, then waits 1 s for "Preset received." after the last. False, nothing
  // sent, for an empty payload. Throws the compression, send and confirmation errors.
  Task<bool> sendSegments(std::vector<std::uint8_t> bytes, PresetName name, bool flag);

  // Asks for the preset by its device-side name ("/VELTOpelion/control/presetCopyToUSB") and
  // waits for its segments from this device; 1 + retries attempts, each registered before its
  // request is sent and started from an empty set; a failed or cancelled attempt discards its
  // segments. Throws deviceIsOffline without the device's uid (nothing sent), else the
  // last attempt's error (the send error, PresetSegmentHandlerError::timeout).
  Task<PresetData> receiveSegments(PresetName name, int retries, std::uint64_t timeout);

  // The user-show save or delete through the companion port (port 9111), confirmed by a fresh
  // list 250 ms later: a save must find a user show (backups counted) named name.name, a delete
  // must not. Throws presetSaveFailed, presetDeleteFailed, or the send or list error.
  Task<void> changeUserShow(PresetName name, bool save);

 private:
  void confirmationReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);
  void presetSegmentReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);

  // The list read from `texts`: the last one when the texts are the same, else read and kept.
  PresetNameList presetListOf(const std::vector<std::string_view>& texts);

  const std::shared_ptr<PresetSegmentHandler> presetSegmentHandler_;
  // The texts of the last list read and the list made of them (polled every few seconds, a list
  // mostly comes back unchanged).
  std::mutex lastListMutex_;
  std::vector<std::string> lastListTexts_;
  PresetNameList lastList_;
};

// Name rules shared by the app and the controller: a name ending in ".vup" loses every ".vup"
// ("A.vupX.vup" is "AX"); a fetched name gets ".vup" unless it ends with it.
std::string userShowSendName(std::string name);
std::string userShowReceiveName(std::string name);

}  // namespace device
