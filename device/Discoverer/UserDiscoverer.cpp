#include "device/Discoverer/UserDiscoverer.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <nlohmann/json.hpp>

#include "async/TaskHandle.h"
#include "device/Model/ConnectionMode.h"
#include "log/Tallylog.h"

namespace device {

namespace {

using tallylog::Tallylog;

tallylog::Tallylog::Context context(std::string text) {
  return std::make_shared<const nlohmann::json>(std::move(text));
}

// One cycle's sends: the request to the discovery port of every usable interface. Reads nothing of
// the discoverer, so it may outlive it.
boost::asio::awaitable<void> sendConnectRequests(std::shared_ptr<osc::OSCClient> client, osc::OSCMessage request,
                                                 UserDiscoverer::InterfaceList interfaces, std::uint16_t port,
                                                 std::uint64_t timeout) {
  std::vector<net::Interface> list;
  try {
    list = interfaces();
  } catch (const std::exception& error) {
    Tallylog::warning("send failed", __FILE__, "discover()", __LINE__, context(error.what()));
    co_return;
  }
  for (const auto& interface : list) {
    if (!interface.isUp() || !interface.isRunning() || interface.family() == net::Interface::Family::ipv6) {
      continue;
    }
    const auto& destination = interface.isLoopback() ? interface.address() : interface.broadcastAddress();
    if (!destination) {
      Tallylog::info("Skipping " + interface.name() + " no valid address provided", __FILE__, "discover()",
                     __LINE__);
      continue;
    }
    try {
      client->send(request, *destination, port, timeout);
    } catch (const std::exception& error) {
      Tallylog::warning("send failed", __FILE__, "discover()", __LINE__, context(error.what()));
    }
  }
}

// A text of a key: its length first, so that no two sequences of texts give the same key.
void appendPart(std::string& key, std::string_view text) {
  key += std::to_string(text.size());
  key += ':';
  key += text;
}

// Every text of a reply within kMaximumTextSize.
bool textsFit(const UserInfo& info) {
  const auto& user = info.user();
  const auto& device = info.device();
  for (const std::string* text : {&user.name(), &user.icon(), &device.serialNumber(), &device.ip(), &device.name(),
                                  &device.uid()}) {
    if (text->size() > UserDiscoverer::kMaximumTextSize) return false;
  }
  return true;
}

}  // namespace

std::string UserDiscoverer::deviceKey(const UserInfo::Device& device) {
  std::string key;
  appendPart(key, device.serialNumber());
  const auto& type = device.type();
  for (const auto number : {static_cast<std::size_t>(type.value()), type.numberOfMixes(), type.numberOfInputs()}) {
    appendPart(key, std::to_string(number));
  }
  return key;
}

std::string UserDiscoverer::Result::key() const {
  const auto& device = userInfo.device();
  std::string key = deviceKey(device);
  appendPart(key, device.ip());
  appendPart(key, std::to_string(device.port()));
  appendPart(key, std::to_string(userInfo.user().number()));
  return key;
}

bool UserDiscoverer::Result::isSameUser(const Result& other) const {
  const auto& a = userInfo.device();
  const auto& b = other.userInfo.device();
  return a.serialNumber() == b.serialNumber() && a.type() == b.type() && a.ip() == b.ip() && a.port() == b.port() &&
         userInfo.user().number() == other.userInfo.user().number();
}

std::shared_ptr<UserDiscoverer> UserDiscoverer::make(std::shared_ptr<osc::DispatchQueue> queue,
                                                     std::uint16_t listenPort, std::string clientUid,
                                                     std::string clientOS, SoftwareVersion clientVersion,
                                                     NewUserHandler newUserHandler,
                                                     UserChangedHandler userChangedHandler,
                                                     UserOfflineHandler userOfflineHandler, Options options) {
  auto discoverer = std::make_shared<UserDiscoverer>(Passkey{}, std::move(queue), listenPort, std::move(clientUid),
                                                     std::move(clientOS), clientVersion, std::move(options));
  discoverer->newUserHandler_ = std::move(newUserHandler);
  discoverer->userChangedHandler_ = std::move(userChangedHandler);
  discoverer->userOfflineHandler_ = std::move(userOfflineHandler);
  return discoverer;
}

UserDiscoverer::UserDiscoverer(Passkey, std::shared_ptr<osc::DispatchQueue> queue, std::uint16_t listenPort,
                               std::string clientUid, std::string clientOS, SoftwareVersion clientVersion,
                               Options options)
    : queue_(std::move(queue)),
      listenPort_(listenPort),
      clientUid_(std::move(clientUid)),
      clientOS_(std::move(clientOS)),
      clientVersion_(clientVersion),
      options_(std::move(options)),
      // The default destination is never used: every send names its own.
      client_(std::make_shared<osc::OSCClient>("127.0.0.1", options_.discoveryPort)) {}

UserDiscoverer::~UserDiscoverer() { stop(); }

void UserDiscoverer::start() {
  std::lock_guard lifecycle(lifecycleMutex_);
  std::uint64_t run = 0;
  {
    std::lock_guard lock(mutex_);
    if (discoverServer_) return;
    discoveredUsers_.clear();
    index_.clear();
    warnedFull_ = false;
    run = ++run_;
  }
  auto server = osc::OSCServer::make(listenPort_, {}, queue_, osc::decoderOf<osc::OSCStandardDecoder>());
  std::weak_ptr<UserDiscoverer> weak = weak_from_this();
  server->dispatcher().register_(*osc::OSCAddressPattern::make(userInfoAddress),
                                 [weak, run](const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
                                   if (auto self = weak.lock()) self->receive(message, run);
                                 });
  // A failed start leaves nothing behind, so the next start() tries again.
  server->start();

  auto timer = async::Repeater::create(async::Repeater::Interval::seconds(options_.period.count()),
                                       async::Repeater::Mode::infinite(), std::chrono::nanoseconds(0), std::nullopt,
                                       [weak](async::Repeater&) {
                                         if (auto self = weak.lock()) self->discover();
                                       });
  {
    std::lock_guard lock(mutex_);
    discoverServer_ = std::move(server);
    timer_ = timer;
  }
  timer->start();
  discover();
}

void UserDiscoverer::stop() {
  std::lock_guard lifecycle(lifecycleMutex_);
  std::shared_ptr<osc::OSCServer> server;
  std::shared_ptr<async::Repeater> timer;
  {
    std::lock_guard lock(mutex_);
    server = std::move(discoverServer_);
    timer = std::move(timer_);
    discoveredUsers_.clear();
    index_.clear();
    warnedFull_ = false;
  }
  if (timer) timer->pause();
  if (server) server->stop();
}

bool UserDiscoverer::isStarted() const {
  std::lock_guard lock(mutex_);
  return discoverServer_ != nullptr;
}

void UserDiscoverer::discover() {
  queue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->runCycle();
  });
}

std::vector<UserDiscoverer::Result> UserDiscoverer::users() const {
  std::lock_guard lock(mutex_);
  return {discoveredUsers_.begin(), discoveredUsers_.end()};
}

std::optional<std::uint16_t> UserDiscoverer::listeningPort() const {
  std::lock_guard lock(mutex_);
  if (!discoverServer_) return std::nullopt;
  return discoverServer_->listeningPort();
}

osc::OSCMessage UserDiscoverer::connectRequest(std::uint16_t port) const {
  return *osc::OSCMessage::make(connectRequestAddress,
                                {std::int32_t{port}, static_cast<std::int32_t>(clientVersion_.intValue()),
                                 static_cast<std::int32_t>(rawValue(ConnectionMode::Admin)), clientOS_, clientUid_});
}

void UserDiscoverer::runCycle() {
  std::vector<Result> expired;
  UserOfflineHandler offline;
  std::optional<osc::OSCMessage> request;
  std::uint64_t run = 0;
  Clock::time_point cutoff;
  {
    std::lock_guard lock(mutex_);
    if (!discoverServer_) return;
    run = run_;
    cutoff = options_.now() - options_.window;
    std::copy_if(discoveredUsers_.begin(), discoveredUsers_.end(), std::back_inserter(expired),
                 [&](const Result& r) { return r.lastSeen < cutoff; });
    offline = userOfflineHandler_;
    request = connectRequest(discoverServer_->listeningPort().value_or(listenPort_));
  }
  // Every expired record is reported before any is removed.
  if (offline) {
    for (const auto& record : expired) offline(record);
  }
  if (!expired.empty()) {
    std::lock_guard lock(mutex_);
    if (discoverServer_ && run_ == run) {
      for (auto record = discoveredUsers_.begin(); record != discoveredUsers_.end();) {
        if (record->lastSeen < cutoff) {
          index_.erase(record->key());
          record = discoveredUsers_.erase(record);
          warnedFull_ = false;
        } else {
          ++record;
        }
      }
    }
  }
  async::spawn(sendConnectRequests(client_, std::move(*request), options_.interfaces, options_.discoveryPort,
                                   options_.sendTimeout));
}

void UserDiscoverer::receivedUserInfo(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  receive(message, std::nullopt);
}

void UserDiscoverer::receive(const osc::OSCMessage& message, std::optional<std::uint64_t> run) {
  const auto isCurrent = [&] { return discoverServer_ && (!run || *run == run_); };
  {
    std::lock_guard lock(mutex_);
    if (!isCurrent()) return;
  }
  auto info = UserInfo::fromMessage(message);
  if (!info) {
    Tallylog::warning("invalid user info received", __FILE__, "receivedUserInfo(_:_:)", __LINE__,
                      context(message.description()));
    return;
  }
  if (!textsFit(*info)) {
    Tallylog::warning("user info with an over-long text ignored", __FILE__, "receivedUserInfo(_:_:)", __LINE__);
    return;
  }
  const Result fresh{options_.now(), std::move(*info)};
  std::string key = fresh.key();
  std::optional<Result> old;
  NewUserHandler added;
  UserChangedHandler changed;
  bool full = false;
  {
    std::lock_guard lock(mutex_);
    if (!isCurrent()) return;
    const auto found = index_.find(key);
    if (found == index_.end()) {
      if (discoveredUsers_.size() >= options_.maximumUsers) {
        full = !std::exchange(warnedFull_, true);
        if (!full) return;
      } else {
        index_.emplace(std::move(key), discoveredUsers_.insert(discoveredUsers_.end(), fresh));
        added = newUserHandler_;
      }
    } else if (Result& stored = *found->second; stored.userInfo.user() == fresh.userInfo.user()) {
      // Only the time: device fields of a known user (name, version, uid) are not taken over.
      stored.lastSeen = fresh.lastSeen;
      return;
    } else {
      old = stored;
      stored = fresh;
      changed = userChangedHandler_;
    }
  }
  if (full) {
    Tallylog::warning("too many users, new ones ignored", __FILE__, "receivedUserInfo(_:_:)", __LINE__,
                      context("at most " + std::to_string(options_.maximumUsers) + " records"));
  }
  if (added) added(fresh);
  if (old && changed) changed(*old, fresh);
}

}  // namespace device
