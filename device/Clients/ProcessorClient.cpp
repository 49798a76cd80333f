// ProcessorClient: construction, the guarded session start and the processor's handlers.

#include "device/Clients/ProcessorClient.h"

#include "device/Clients/ClientLog.h"
#include "device/Clients/OSCChannelParameterValueMessage.h"
#include "device/XML/ZRXMLParser.h"

namespace device {

ProcessorClient::ProcessorClient(Key key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                                 std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                                 std::string clientOS, SoftwareVersion clientVersion,
                                 std::shared_ptr<ProcessorClientEventHandler> eventHandler, Options options)
    : VeltoPresetClient(key, std::move(deviceIP), devicePort, listenPort, std::move(listenInterface),
                        std::move(clientUid), std::move(clientOS), clientVersion, options),
      eventHandler_(std::move(eventHandler)) {}

std::shared_ptr<ProcessorClientEventHandler> ProcessorClient::eventHandler() const {
  std::lock_guard lock(eventHandlerMutex_);
  return eventHandler_;
}

void ProcessorClient::setEventHandler(std::shared_ptr<ProcessorClientEventHandler> handler) {
  std::lock_guard lock(eventHandlerMutex_);
  eventHandler_ = std::move(handler);
}

asio::awaitable<std::vector<UserInfo>> ProcessorClient::processorStartStep(DeviceType deviceType, ConnectionMode mode,
                                                                           Nanoseconds timeout) {
  if (deviceType.value() == DeviceType::Value::app || deviceType.value() == DeviceType::Value::rotaver) {
    throw VeltoClientError::unsupportedDeviceType();
  }
  std::vector<UserInfo> infos = co_await VeltoClient::startSession(deviceType, mode, timeout);
  co_return infos;
}

asio::awaitable<std::vector<UserInfo>> ProcessorClient::startSession(DeviceType deviceType, ConnectionMode mode,
                                                                     Nanoseconds timeout) {
  return processorStartStep(deviceType, mode, timeout);
}

void ProcessorClient::setupOSCServerHandlers() {
  VeltoClient::setupOSCServerHandlers();
  register_("/Vp/ui/*/ch/*/*/*", &ProcessorClient::channelParameterReceived);
  register_("/VELTOapp/user/UserInfo", &ProcessorClient::userInfoUserReceived);
  registerPresetHandlers();
}

namespace {

// Builds the parameter's message and hands it to `deliver` (handler, message); nothing when the
// message does not build.
template <class Message, class Deliver>
void deliverChannelMessage(const osc::OSCMessage& message, Deliver deliver) {
  if (auto built = Message::fromMessage(message)) deliver(*built);
}

}  // namespace

void ProcessorClient::channelParameterReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  const auto parameter = message.address().part(5);
  if (!parameter) return;
  const auto handler = eventHandler();
  if (!handler) return;
  ProcessorClient& self = *this;
  auto call = [&](auto method) {
    return [&, method](const auto& m) { ((*handler).*method)(self, m.user, m.channel, *m.value, m.relayed, m.uid); };
  };
  if (*parameter == "gaindB") {
    deliverChannelMessage<OSCChannelGainDbMessage>(message, call(&ProcessorClientEventHandler::gainDbReceived));
  } else if (*parameter == "mute") {
    deliverChannelMessage<OSCChannelMuteMessage>(message, call(&ProcessorClientEventHandler::muteReceived));
  } else if (*parameter == "modeVisible") {
    deliverChannelMessage<OSCChannelModeVisibleMessage>(message,
                                                        call(&ProcessorClientEventHandler::modeVisibleReceived));
  } else if (*parameter == "azi") {
    deliverChannelMessage<OSCChannelAzimuthMessage>(message, call(&ProcessorClientEventHandler::azimuthReceived));
  } else if (*parameter == "ele") {
    deliverChannelMessage<OSCChannelElevationMessage>(message, call(&ProcessorClientEventHandler::elevationReceived));
  } else if (*parameter == "solo") {
    deliverChannelMessage<OSCChannelSoloMessage>(message, call(&ProcessorClientEventHandler::soloReceived));
  }
}

void ProcessorClient::userInfoUserReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  constexpr const char* function = "userInfoUserReceived(_:_:)";
  if (message.values().size() != 1) {
    clientLog(Level::warning, "parameters are missing", function, __LINE__, message.description());
    return;
  }
  const auto text = message.values().front().asString();
  if (!text) {
    clientLog(Level::warning, "no valid string", function, __LINE__, message.values().front().description());
    return;
  }
  ZRXMLElementPtr root;
  try {
    root = ZRXMLParser::parseDocument(*text);
  } catch (const std::exception& error) {
    clientLog(Level::warning, "invalid xml", function, __LINE__, nlohmann::json::array({error.what(), *text}));
    return;
  }
  std::exception_ptr failure;
  withState([&root, &failure](State& state) {
    if (!state.preset) return;
    try {
      state.preset->update(root);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (failure) {
    clientLog(Level::warning, "invalid xml", function, __LINE__, nlohmann::json::array({errorText(failure), *text}));
  }
}

void ProcessorClient::userInfoControlReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message) {
  const auto info = UserInfo::fromMessage(message);
  // A companion app answering for a user does not describe this processor.
  if (info && info->device().type().value() == DeviceType::Value::app) return;
  VeltoClient::userInfoControlReceived(pattern, message);
}

}  // namespace device
