// VeltoPresetClient: construction, name rules, the confirmation and segment handlers, the preset
// list, the device-side delete and the user-show changes confirmed by the list. Sending and
// fetching in segments are in VeltoPresetClientTransfer.cpp.

#include "device/Clients/VeltoPresetClient.h"

#include <algorithm>

#include "async/Cancellation.h"
#include "device/Clients/VeltoAppError.h"
#include "device/Presets/PresetSegment.h"

namespace device {

namespace {

constexpr std::string_view vup = ".vup";
constexpr std::string_view veltoShow = ".VELTOshow";

}  // namespace

VeltoPresetClient::VeltoPresetClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                                     std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                                     std::string clientOS, SoftwareVersion clientVersion, Options options)
    : VeltoClient(key, std::move(deviceIP), devicePort, listenPort, std::move(listenInterface), std::move(clientUid),
                  std::move(clientOS), clientVersion, options),
      presetSegmentHandler_(PresetSegmentHandler::make()) {}

std::string VeltoPresetClient::segmentKey(std::string_view fileName) {
  for (const std::string_view extension : {veltoShow, vup}) {
    if (fileName.ends_with(extension)) return std::string(fileName.substr(0, fileName.size() - extension.size()));
  }
  return std::string(fileName);
}

std::string userShowSendName(std::string name) {
  if (!name.ends_with(vup)) return name;
  std::string result;
  for (std::size_t at = 0;;) {
    const std::size_t found = name.find(vup, at);
    result.append(name, at, found == std::string::npos ? std::string::npos : found - at);
    if (found == std::string::npos) return result;
    at = found + vup.size();
  }
}

std::string userShowReceiveName(std::string name) {
  if (!name.ends_with(vup)) name += vup;
  return name;
}

// --- Connection ---

asio::awaitable<UserInfo> VeltoPresetClient::connectionSequence(ConnectionOrder order, Nanoseconds timeout) {
  beginConnection(std::nullopt);
  auto preset = Preset::makeDefault(order.inputs, order.mixes);
  withState([&preset](State& state) { state.preset = std::move(preset); });
  const auto t0 = osc::DispatchTime::clock::now();
  try {
    co_await sendConnectRequest(ConnectionMode::Admin);
    std::vector<UserInfo> infos = co_await receiveUserInfo(1, t0, timeout);
    UserInfo info = std::move(infos.front());
    withState([&info](State& state) { state.deviceInfo = info.device(); });
    markSeen();
    startPingTask();
    if (order.keepMePostedFirst) co_await sendKeepMePosted();
    co_await switchUser(order.user, "", order.userMode);
    if (!order.keepMePostedFirst) co_await sendKeepMePosted();
    co_await requestStatusUpdate();
    co_return info;
  } catch (...) {
    disconnect();
    throw;
  }
}

// --- Handlers ---

void VeltoPresetClient::registerPresetHandlers() {
  register_("/VELTOapp/confirmation", &VeltoPresetClient::confirmationReceived);
  register_(PresetSegMessage::address, &VeltoPresetClient::presetSegmentReceived);
}

void VeltoPresetClient::confirmationReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  const auto confirmation = VeltoAppConfirmation::fromMessage(message);
  if (!confirmation) return;
  const std::int32_t code = confirmation->code();
  if (code != 1 && code != 5) return;
  std::weak_ptr<VeltoClient> weak = weak_from_this();
  queue()->async([weak, code] {
    auto self = std::static_pointer_cast<VeltoPresetClient>(weak.lock());
    if (!self) return;
    auto handler = self->presetEventHandler();
    if (!handler) return;
    if (code == 1) handler->presetReceived(*self);
    else handler->presetSaved(*self);
  });
}

void VeltoPresetClient::presetSegmentReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  auto decoded = PresetSegMessage::make(message);
  if (!decoded) return;
  PresetSegment segment{segmentKey(decoded->presetName),
                        std::move(decoded->segData),
                        decoded->segIndex,
                        decoded->segCount,
                        std::move(decoded->deviceName),
                        std::move(decoded->deviceUid),
                        osc::DispatchTime::clock::now()};
  presetSegmentHandler_->add(std::move(segment));
}

// --- List ---

PresetHandler::Task<PresetNameList> VeltoPresetClient::requestPresetList(std::uint64_t timeout) {
  requireOnline();
  const auto t0 = osc::DispatchTime::clock::now();
  auto request = osc::OSCMessage::make("/VELTOpelion/control/RequestListOfPresets", {true, clientUid()});
  oscClient()->send(osc::OSCBundle(1, {std::move(*request)}), options().sendTimeout);
  const osc::OSCMessage reply =
      co_await oscServer()->firstMessage("/VELTOapp/control/PresetList", std::nullopt, 0, t0, timeout);
  std::vector<std::string_view> texts;
  const auto& values = reply.values();
  for (std::size_t k = 0; k + 1 < values.size(); ++k) {
    if (const auto text = values[k].asString()) texts.push_back(*text);
  }
  co_return presetListOf(texts);
}

PresetNameList VeltoPresetClient::presetListOf(const std::vector<std::string_view>& texts) {
  {
    std::lock_guard lock(lastListMutex_);
    if (std::equal(texts.begin(), texts.end(), lastListTexts_.begin(), lastListTexts_.end())) return lastList_;
  }
  PresetNameList list;
  for (const std::string_view text : texts) list.append(PresetName(text));
  std::lock_guard lock(lastListMutex_);
  lastListTexts_.assign(texts.begin(), texts.end());
  lastList_ = list;
  return list;
}

// --- Deletes and saves ---

PresetHandler::Task<void> VeltoPresetClient::deletePresetOnDevice(PresetName name, bool failWhenMissing) {
  std::string text = name.baseName();
  if (name.type == PresetType::userShow) text += vup;
  const auto t0 = osc::DispatchTime::clock::now();
  send("/VELTOpelion/control/presetDelete", {true, std::move(text), clientUid()});
  try {
    co_await waitForConfirmation(VeltoAppConfirmationCase::PresetSucessfullyDeleted, t0, options().confirmationTimeout);
  } catch (const VeltoAppError& error) {
    // A preset that is not there counts as deleted unless the caller needs it to have been there.
    if (error.message() != "File not found." || failWhenMissing) throw;
  }
}

PresetHandler::Task<void> VeltoPresetClient::changeUserShow(PresetName name, bool save) {
  const std::string& n = name.name;
  if (save) app().saveUserShow(n);
  else app().deleteUserShow(n);
  co_await async::sleep(kListDelay);
  const PresetNameList list = co_await requestPresetList(options().userShowListTimeout);
  const auto kept = list.filtered({PresetType::userShow}, false, true);
  const bool listed = std::any_of(kept.begin(), kept.end(), [&n](const PresetName& entry) { return entry.name == n; });
  if (save && !listed) throw VeltoClientError::presetSaveFailed(n);
  if (!save && listed) throw VeltoClientError::presetDeleteFailed(n);
}

}  // namespace device
