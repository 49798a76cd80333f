// ProcessorClient: the preset operations (list, send and fetch are the shared ones).

#include "async/Cancellation.h"
#include "device/Clients/ProcessorClient.h"
#include "platform/Uuid.h"

namespace device {

PresetHandler::Task<bool> ProcessorClient::sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) {
  co_return co_await sendSegments(std::move(bytes), std::move(name), flag);
}

PresetHandler::Task<PresetData> ProcessorClient::receivePreset(PresetName name, int retries, std::uint64_t timeout) {
  co_return co_await receiveSegments(std::move(name), retries, timeout);
}

PresetHandler::Task<void> ProcessorClient::savePreset(PresetName name, std::uint64_t timeout) {
  const auto t0 = osc::DispatchTime::clock::now();
  send("/VELTOpelion/control/presetSave", {true, name.baseName(), true, clientUid()});
  co_await waitForConfirmation(VeltoAppConfirmationCase::PresetSaved, t0, timeout);
}

PresetHandler::Task<void> ProcessorClient::deletePreset(PresetName name, bool failWhenMissing) {
  co_await deletePresetOnDevice(std::move(name), failWhenMissing);
}

PresetHandler::Task<void> ProcessorClient::loadPreset(PresetName name, std::uint64_t timeout) {
  requireOnline();
  const auto t0 = osc::DispatchTime::clock::now();
  send("/VELTOpelion/control/presetSelect", {name.baseName(), clientUid()});
  const osc::OSCMessage reply =
      co_await oscServer()->firstMessage("/Va/control/presetLoadComplete", std::nullopt, 0, t0, timeout);
  if (reply.values().size() != 2) throw VeltoClientError::presetSelectFailed("malformed osc reply message");
  const auto text = reply.values().front().asString();
  if (!text) throw VeltoClientError::presetSelectFailed("reply message could not be parsed");
  if (text->starts_with("ERROR:")) throw VeltoClientError::presetSelectFailed(std::string(*text));
}

PresetHandler::Task<PresetData> ProcessorClient::snapshotCurrentState(std::uint64_t timeout) {
  const PresetName name(platform::newUuidText());
  co_await savePreset(name, timeout);
  PresetData data = co_await receivePreset(name, 1, timeout);
  co_await async::sleep(std::chrono::seconds(1));
  co_await deletePreset(name, true);
  co_return data;
}

}  // namespace device
