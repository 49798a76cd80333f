// AppClient: connection, handlers and the preset operations of the companion app.

#include "device/Clients/AppClient.h"

#include "device/Clients/ClientLog.h"

namespace device {

AppClient::AppClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                     std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                     std::string clientOS, SoftwareVersion clientVersion, Options options)
    : VeltoPresetClient(key, std::move(deviceIP), devicePort, listenPort, std::move(listenInterface),
                        std::move(clientUid), std::move(clientOS), clientVersion, options) {
  withState([](State& state) { state.deviceType = DeviceType::app(); });
}

void AppClient::setupOSCServerHandlers() {
  VeltoClient::setupOSCServerHandlers();
  registerPresetHandlers();
}

asio::awaitable<std::vector<UserInfo>> AppClient::connect(ConnectionMode, Nanoseconds timeout) {
  disconnect();
  UserInfo info = co_await connectSteps(timeout);
  co_return std::vector<UserInfo>{std::move(info)};
}

asio::awaitable<UserInfo> AppClient::connectSteps(Nanoseconds timeout) {
  ConnectionOrder order;
  order.user = kUser;
  order.userMode = ConnectionMode::Admin;
  UserInfo info = co_await connectionSequence(order, timeout);
  co_return info;
}

void AppClient::userInfoControlReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  constexpr const char* function = "userInfoControlReceived(_:_:)";
  const auto info = UserInfo::fromMessage(message);
  if (!info) {
    clientLog(Level::warning, "invalid user info", function, __LINE__, message.description());
    return;
  }
  if (!(info->device().type() == DeviceType::app())) return;
  const bool updated = withState([&info](State& state) {
    state.deviceInfo = info->device();
    if (!state.preset) return false;
    const auto& users = state.preset->userList->users;
    if (users.empty()) return true;
    User& user = *users.front();
    user.name = info->user().name();
    user.icon = info->user().icon();
    user.phaseInvert = info->user().phaseInvert();
    user.mixHide = info->user().mixHide();
    return true;
  });
  if (!updated) clientLog(Level::fault, "preset is not initizalized", function, __LINE__);
}

PresetHandler::Task<bool> AppClient::sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) {
  name.name = userShowSendName(std::move(name.name));
  co_return co_await sendSegments(std::move(bytes), std::move(name), flag);
}

PresetHandler::Task<PresetData> AppClient::receivePreset(PresetName name, int retries, std::uint64_t timeout) {
  name.name = userShowReceiveName(std::move(name.name));
  co_return co_await receiveSegments(std::move(name), retries, timeout);
}

PresetHandler::Task<void> AppClient::deletePreset(PresetName name, bool failWhenMissing) {
  if (name.type == PresetType::userShow) {
    co_await changeUserShow(std::move(name), false);
  } else {
    co_await deletePresetOnDevice(std::move(name), failWhenMissing);
  }
}

PresetHandler::Task<void> AppClient::loadPreset(PresetName, std::uint64_t) { co_await unsupportedPresetOperation(); }

PresetHandler::Task<void> AppClient::savePreset(PresetName, std::uint64_t) { co_await unsupportedPresetOperation(); }

PresetHandler::Task<void> AppClient::unsupportedPresetOperation() {
  throw VeltoClientError::actionUnsupportedByDevice();
  co_return;
}

}  // namespace device
