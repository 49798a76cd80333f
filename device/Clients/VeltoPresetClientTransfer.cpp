// VeltoPresetClient: sending a preset in segments and fetching one.

#include "device/Clients/VeltoPresetClient.h"

#include "device/Presets/PresetSegmentMessages.h"
#include "async/Cancellation.h"

namespace device {

PresetHandler::Task<bool> VeltoPresetClient::sendSegments(std::vector<std::uint8_t> bytes, PresetName name,
                                                          bool flag) {
  const std::vector<osc::OSCMessage> segments = presetSegmentMessages(bytes, name, flag, clientUid());
  if (segments.empty()) co_return false;
  osc::DispatchTime lastSent{};
  for (const auto& segment : segments) {
    lastSent = osc::DispatchTime::clock::now();
    oscClient()->send(segment, options().sendTimeout);
  }
  co_await waitForConfirmation(VeltoAppConfirmationCase::PresetReceived, lastSent, options().confirmationTimeout);
  co_return true;
}

PresetHandler::Task<PresetData> VeltoPresetClient::receiveSegments(PresetName name, int retries,
                                                                   std::uint64_t timeout) {
  const auto device = deviceInfo();
  if (!device) throw VeltoClientError::deviceIsOffline();  // segments are keyed by the device's uid
  const std::string deviceSideName = name.baseName();
  const std::string key = segmentKey(deviceSideName);
  const std::string& uid = device->uid();
  for (int attempts = 0;;) {
    // Every attempt starts from an empty set: what an abandoned or failed attempt left behind, or
    // what arrived for it after it ended, must not overfill this one. The queue removes it before
    // it stores any segment of the answer to the request below.
    presetSegmentHandler_->discardSegments(key, uid);
    // Registered before the request goes out: the segments may all arrive before this awaits.
    const PresetWait wait = presetSegmentHandler_->waitForPreset(key, uid);
    std::exception_ptr failure;
    bool cancelled = false;
    try {
      send("/VELTOpelion/control/presetCopyToUSB", {deviceSideName, clientUid()});
      PresetData data = co_await wait.value(timeout);
      presetSegmentHandler_->discardSegments(key, uid);
      co_return data;
    } catch (const async::CancellationError&) {
      cancelled = true;
      failure = std::current_exception();
    } catch (...) {
      failure = std::current_exception();
    }
    // Partial segments of the failed or cancelled attempt are not kept.
    presetSegmentHandler_->discardSegments(key, uid);
    if (cancelled || ++attempts > retries) std::rethrow_exception(failure);
  }
}

}  // namespace device
