// RotaverClient: connection and the user-show operations of the controller.

#include "device/Clients/RotaverClient.h"

namespace device {

RotaverClient::RotaverClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                             std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                             std::string clientOS, SoftwareVersion clientVersion, Options options)
    : VeltoPresetClient(key, std::move(deviceIP), devicePort, listenPort, std::move(listenInterface),
                        std::move(clientUid), std::move(clientOS), clientVersion, options) {
  withState([](State& state) { state.deviceType = DeviceType::rotaver(); });
}

void RotaverClient::setupOSCServerHandlers() {
  VeltoClient::setupOSCServerHandlers();
  registerPresetHandlers();
}

asio::awaitable<std::vector<UserInfo>> RotaverClient::connect(ConnectionMode, Nanoseconds timeout) {
  if (!deviceType()) throw VeltoClientError::unknownDeviceType();
  disconnect();
  UserInfo info = co_await connectSteps(timeout);
  co_return std::vector<UserInfo>{std::move(info)};
}

asio::awaitable<UserInfo> RotaverClient::connectSteps(Nanoseconds timeout) {
  ConnectionOrder order;
  order.inputs = 6;
  order.user = kUser;
  order.keepMePostedFirst = true;
  UserInfo info = co_await connectionSequence(order, timeout);
  co_return info;
}

PresetHandler::Task<void> RotaverClient::loadPreset(PresetName name, std::uint64_t) {
  requireOnline();
  app().loadUserShow(name.name);
  co_return;
}

PresetHandler::Task<bool> RotaverClient::sendPreset(std::vector<std::uint8_t> bytes, PresetName name, bool flag) {
  requireOnline();
  name.name = userShowSendName(std::move(name.name));
  co_return co_await sendSegments(std::move(bytes), std::move(name), flag);
}

PresetHandler::Task<PresetData> RotaverClient::receivePreset(PresetName name, int retries, std::uint64_t timeout) {
  requireOnline();
  name.name = userShowReceiveName(std::move(name.name));
  co_return co_await receiveSegments(std::move(name), retries, timeout);
}

PresetHandler::Task<void> RotaverClient::savePreset(PresetName name, std::uint64_t) {
  requireOnline();
  co_await changeUserShow(std::move(name), true);
}

PresetHandler::Task<void> RotaverClient::deletePreset(PresetName name, bool) {
  co_await changeUserShow(std::move(name), false);
}

}  // namespace device
