// VeltoClient: construction, handlers, state getters, online state, disconnect, delegate calls and
// identity. The coroutine bodies live in VeltoClientConnection.cpp, VeltoClientCommands.cpp and
// VeltoClientAnswers.cpp.

#include "device/Clients/VeltoClient.h"

#include <nlohmann/json.hpp>

#include "device/Clients/ClientLog.h"
#include "device/Clients/RandomClientUid.h"
#include "device/Clients/VeltoOSCDecoder.h"

namespace device {

VeltoClient::VeltoClient(Key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
                         std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
                         std::string clientOS, SoftwareVersion clientVersion, Options options)
    : deviceIP_(std::move(deviceIP)),
      devicePort_(devicePort),
      clientUid_(clientUid ? std::move(*clientUid) : randomClientUid()),
      clientOS_(std::move(clientOS)),
      clientVersion_(clientVersion),
      listenPort_(listenPort),
      listenInterface_(std::move(listenInterface)),
      options_(options),
      queue_(osc::DispatchQueue::make("Velto Client")),
      app_(deviceIP_, clientUid_, options_.appPort),
      oscClient_(std::make_shared<osc::OSCClient>(deviceIP_, devicePort_)),
      oscServer_(osc::OSCServer::make(listenPort_, {}, queue_, osc::decoderOf<VeltoOSCDecoder>(), listenInterface_)) {}

VeltoClient::~VeltoClient() {
  oscServer_->stop();
  if (pingTask_) pingTask_->cancel();
}

void VeltoClient::init() {
  oscServer_->setDelegate(weak_from_this());
  setupOSCServerHandlers();
}

// --- Handlers ---

void VeltoClient::registerCallback(std::string_view address, osc::OSCObjectDispatcher::Callback callback) {
  oscServer_->dispatcher().register_(patterns({address}).front(), std::move(callback));
}

std::vector<osc::OSCAddressPattern> VeltoClient::patterns(const std::vector<std::string_view>& addresses) {
  std::vector<osc::OSCAddressPattern> result;
  for (std::string_view address : addresses) {
    auto pattern = osc::OSCAddressPattern::make(address);
    if (!pattern) throw std::invalid_argument("not an OSC address pattern: " + std::string(address));
    result.push_back(std::move(*pattern));
  }
  return result;
}

void VeltoClient::setupOSCServerHandlers() {
  register_("/Va/Ping", &VeltoClient::pingReceived);
  register_("/VELTOapp/control/UserInfo", &VeltoClient::userInfoControlReceived);
  register_("/VELTOGUI/StatusUpdate", &VeltoClient::statusUpdateReceived);
}

void VeltoClient::pingReceived(const osc::OSCAddressPattern&, const osc::OSCMessage&) {
  const auto now = osc::DispatchTime::clock::now();
  withState([now](State& state) {
    state.lastSeen = now;
    state.previouslyOnline = true;
  });
}

void VeltoClient::userInfoControlReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  constexpr const char* function = "userInfoControlReceived(_:_:)";
  const auto info = UserInfo::fromMessage(message);
  if (!info) {
    clientLog(Level::warning, "invalid user info", function, __LINE__, message.description());
    return;
  }
  enum class Outcome { updated, noPreset, invalidUser };
  const Outcome outcome = withState([&info](State& state) {
    state.deviceInfo = info->device();
    if (!state.preset) return Outcome::noPreset;
    const auto& users = state.preset->userList->users;
    const std::size_t k = info->user().number();
    if (k == 0 || k > users.size()) return Outcome::invalidUser;
    User& user = *users[k - 1];
    user.name = info->user().name();
    user.icon = info->user().icon();
    user.phaseInvert = info->user().phaseInvert();
    user.mixHide = info->user().mixHide();
    return Outcome::updated;
  });
  if (outcome == Outcome::noPreset) clientLog(Level::fault, "preset is not initizalized", function, __LINE__);
  if (outcome == Outcome::invalidUser) {
    clientLog(Level::info, "invalid user number", function, __LINE__, info->description());
  }
}

// --- State ---

std::optional<DeviceType> VeltoClient::deviceType() const {
  return withState([](const State& state) { return state.deviceType; });
}

std::optional<UserInfo::Device> VeltoClient::deviceInfo() const {
  return withState([](const State& state) { return state.deviceInfo; });
}

std::shared_ptr<Preset> VeltoClient::preset() const {
  return withState([](const State& state) -> std::shared_ptr<Preset> {
    if (!state.preset) return nullptr;
    return std::make_shared<Preset>(deepCopyTag, *state.preset);
  });
}

std::shared_ptr<Status> VeltoClient::status() const {
  return withState([](const State& state) { return std::make_shared<Status>(deepCopyTag, *state.status); });
}

bool VeltoClient::isOnline(const std::optional<osc::DispatchTime>& lastSeen, osc::DispatchTime now,
                           std::chrono::nanoseconds window) {
  return lastSeen && *lastSeen >= now - std::chrono::duration_cast<osc::DispatchTime::duration>(window);
}

bool VeltoClient::isOnlineLocked() const {
  return isOnline(state_.lastSeen, osc::DispatchTime::clock::now(), options_.onlineWindow);
}

bool VeltoClient::isOnline() const {
  std::lock_guard lock(mutex_);
  return isOnlineLocked();
}

VeltoClient::OnlineStateHandler VeltoClient::onlineStateHandler() const {
  std::lock_guard lock(mutex_);
  return onlineStateHandler_;
}

void VeltoClient::setOnlineStateHandler(OnlineStateHandler handler) {
  std::lock_guard lock(mutex_);
  onlineStateHandler_ = std::move(handler);
}

void VeltoClient::requireRunningServer() const {
  if (!oscServer_->isRunning()) throw VeltoClientError::deviceIsOffline();
}

void VeltoClient::requireOnline() const {
  if (!isOnline()) throw VeltoClientError::deviceIsOffline();
}

void VeltoClient::send(std::string_view address, std::vector<osc::OSCValue> values) const {
  auto message = osc::OSCMessage::make(address, std::move(values));
  if (!message) throw std::invalid_argument("not an OSC address: " + std::string(address));
  oscClient_->send(*message, options_.sendTimeout);
}

// --- Online state ---

void VeltoClient::checkOnlineState() {
  std::weak_ptr<VeltoClient> weak = weak_from_this();
  queue_->async([weak] {
    if (auto self = weak.lock()) self->runOnlineStateCheck();
  });
}

bool VeltoClient::runOnlineStateCheck() {
  std::optional<bool> change;
  OnlineStateHandler handler;
  {
    std::lock_guard lock(mutex_);
    const bool online = isOnlineLocked();
    if (state_.previouslyOnline != online) {
      state_.previouslyOnline = online;
      change = online;
    }
    handler = onlineStateHandler_;
  }
  if (!change) return false;
  if (!*change) disconnect();
  if (handler) handler(*this, *change, nullptr);
  return !*change;
}

void VeltoClient::markSeen() {
  const auto now = osc::DispatchTime::clock::now();
  withState([now](State& state) { state.lastSeen = now; });
  checkOnlineState();
}

void VeltoClient::disconnect() { endConnection(false); }

void VeltoClient::endConnection(bool onlyWhenStopped) {
  std::optional<async::TaskHandle<void>> pingTask;
  {
    std::lock_guard connection(connectionMutex_);
    if (onlyWhenStopped && oscServer_->isRunning()) return;
    oscServer_->stop();
    std::lock_guard lock(mutex_);
    state_.lastSeen.reset();
    state_.previouslyOnline = true;
    pingTask = std::exchange(pingTask_, std::nullopt);
  }
  if (pingTask) pingTask->cancel();
}

void VeltoClient::beginConnection(std::optional<DeviceType> deviceType) {
  std::exception_ptr startError;
  {
    std::lock_guard connection(connectionMutex_);
    if (oscServer_->isRunning()) throw VeltoClientError::connectionAlreadyStarted();
    withState([&deviceType](State& state) {
      state.lastSeen.reset();
      state.previouslyOnline = false;
      if (deviceType) state.deviceType = deviceType;
    });
    try {
      oscServer_->start();
    } catch (...) {
      startError = std::current_exception();
    }
  }
  if (startError) {
    disconnect();
    std::rethrow_exception(startError);
  }
}

void VeltoClient::startPingTask() {
  // On the client's queue, serialised with the address handlers: each round's online check runs
  // in the loop itself instead of waking the pool once more.
  auto task = async::spawn(queue_->executor(), pingLoop(weak_from_this(), options_.pingPeriod));
  std::optional<async::TaskHandle<void>> previous;
  {
    std::lock_guard lock(mutex_);
    previous = std::exchange(pingTask_, task);
  }
  if (previous) previous->cancel();
}

// --- Delegate ---

void VeltoClient::serverDidStop(std::exception_ptr error) {
  // Every stop() is reported later on the queue without an error, and a reconnect has stopped
  // and started the server again by then: such a report belongs to a finished run. A failure of
  // the socket ends the current run; it disconnects unless a new start has won the race.
  if (error) endConnection(true);
  clientLog(Level::info, "OSC server did stop", "serverDidStop(error:)", __LINE__);
}

void VeltoClient::serverDidAddEndpoint(const std::string&, std::uint16_t) {}

void VeltoClient::couldNotParseData(const std::optional<std::vector<std::uint8_t>>& data, std::exception_ptr error) {
  nlohmann::json context = nlohmann::json::array(
      {errorText(error), std::to_string(data ? data->size() : 0) + " bytes"});
  clientLog(Level::warning, "could not parse osc data", "couldNotParseData(_:error:)", __LINE__, std::move(context));
}

// --- Identity ---

std::string VeltoClient::description() const {
  return deviceIP_ + ":" + std::to_string(devicePort_) + " " + clientUid_ + " " + clientVersion_.description();
}

bool operator==(const VeltoClient& a, const VeltoClient& b) {
  return a.deviceIP_ == b.deviceIP_ && a.devicePort_ == b.devicePort_ && a.clientUid_ == b.clientUid_ &&
         a.clientOS_ == b.clientOS_ && a.clientVersion_ == b.clientVersion_;
}

std::size_t VeltoClient::hashValue() const {
  std::size_t hash = 0;
  const auto mix = [&hash](std::size_t value) { hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2); };
  mix(std::hash<std::string>{}(deviceIP_));
  mix(devicePort_);
  mix(std::hash<std::string>{}(clientUid_));
  mix(std::hash<std::string>{}(clientOS_));
  mix(clientVersion_.major);
  mix(clientVersion_.minor);
  mix(clientVersion_.patch);
  return hash;
}

}  // namespace device
