#pragma once
// VeltoClient: one device on the network as the program talks to it, and the base of the device
// kinds (app, controller, processor). It owns an osc::OSCClient aimed at the device's OSC port, the
// companion-app endpoint (VeltoApp, port 9111 of the same device) and an osc::OSCServer on its own
// listen port that receives the device's answers. A connection start starts the server, announces
// the client, collects the user infos, starts the ping loop, switches to user 1, subscribes to
// status reports and asks for one; disconnect() stops server and ping loop. A client can be
// connected again any number of times.
//
// Ownership and creation. Clients live in std::shared_ptr and are made in two phases by
// make<Client>(...): the constructor builds the parts, then init() makes the client its server's
// (weakly held) delegate and runs the most derived setupOSCServerHandlers(). A subclass declares a
// public constructor taking VeltoClient::Key first and passes the key on; only make() can create
// one. Address handlers and the ping task hold the client weakly, so nothing but its owners keeps
// it alive; the destructor stops the server and cancels the ping task.
//
// Threads and locks.
// - queue() is the DispatchQueue "Velto Client", the server's delegate queue: address handlers,
//   the delegate calls, the ping loop and the online-state check run there, one at a time.
// - Operations returning asio::awaitable are called from a task made by async::spawn (never from
//   the queue); several may run at once on one client.
// - The client's state (State below) is guarded by one mutex. The getters take it and return
//   copies, so they may be called from any thread, the queue and the online-state handler
//   included. Nothing is called out while it is held: no sends, logging or callbacks.
// - A second lock serialises the server's start and stop with the decision of a server-stop report
//   (see serverDidStop); it is held only for the start or stop itself, never across a suspension.
// - Sends block their thread for one sendto with a 1 s write time-out (osc::OSCClient).
//
// Waits. An operation that needs an answer takes t0 = now just before it sends and accepts only
// messages received strictly after t0, each wait on a subscription of its own to the server's
// shared, replaying message stream (waitForAnswer); waits do not consume each other's answers.

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "async/TaskHandle.h"
#include "device/Clients/VeltoApp.h"
#include "device/Clients/VeltoAppConfirmation.h"
#include "device/Clients/VeltoClientError.h"
#include "device/Model/AppSettings.h"
#include "device/Model/ConnectionMode.h"
#include "device/Model/DeviceType.h"
#include "device/Model/IPv4Address.h"
#include "device/Model/SoftwareVersion.h"
#include "device/Model/Status.h"
#include "device/Model/UserInfo.h"
#include "device/Presets/Preset.h"
#include "osc/DispatchQueue.h"
#include "osc/OSCClient.h"
#include "osc/OSCServer.h"
#include "osc/OSCServerDelegate.h"
#include "osc/ThrowingContinuationError.h"

namespace device {

namespace asio = boost::asio;

// Ports, periods and time-outs of a VeltoClient; the defaults are the protocol's values.
struct VeltoClientOptions {
  std::uint16_t appPort = VeltoApp::kPort;                           // the companion-app endpoint
  std::chrono::nanoseconds pingPeriod = std::chrono::seconds(1);
  std::chrono::nanoseconds onlineWindow = std::chrono::seconds(10);  // silence after which offline
  std::uint64_t sendTimeout = 1'000'000'000;                         // nanoseconds, every send
  std::uint64_t switchUserTimeout = 1'000'000'000;                   // nanoseconds, SwitchedUser
  std::uint64_t confirmationTimeout = 1'000'000'000;                 // nanoseconds, preset received or deleted
  std::uint64_t userShowListTimeout = 2'000'000'000;                 // nanoseconds, the list after a user-show change
};

class VeltoClient : public osc::OSCServerDelegate, public std::enable_shared_from_this<VeltoClient> {
 protected:
  // The constructor key: only make() creates one.
  class Key {
    Key() = default;
    friend class VeltoClient;
  };

 public:
  using Nanoseconds = std::uint64_t;

  using Options = VeltoClientOptions;

  // Called on queue() when the online state changes (client, online, error: always null here).
  // It may read the client's getters; it must not block.
  using OnlineStateHandler = std::function<void(VeltoClient&, bool, std::exception_ptr)>;

  // Builds and initialises a client of type Client (VeltoClient or a subclass). Throws the errors
  // of creating the OSC clients; nothing touches the network until a connection starts.
  template <class Client = VeltoClient, class... Args>
  static std::shared_ptr<Client> make(Args&&... args) {
    static_assert(std::is_base_of_v<VeltoClient, Client>);
    auto client = std::make_shared<Client>(Key{}, std::forward<Args>(args)...);
    static_cast<VeltoClient&>(*client).init();
    return client;
  }

  // `clientUid` none: a new random one. `listenPort` 0: the system picks at each start.
  VeltoClient(Key, std::string deviceIP, std::uint16_t devicePort, std::uint16_t listenPort,
              std::optional<std::string> listenInterface, std::optional<std::string> clientUid,
              std::string clientOS, SoftwareVersion clientVersion, Options options = {});
  ~VeltoClient() override;
  VeltoClient(const VeltoClient&) = delete;
  VeltoClient& operator=(const VeltoClient&) = delete;

  // --- Fixed parts (any thread). ---
  const std::string& deviceIP() const { return deviceIP_; }
  std::uint16_t devicePort() const { return devicePort_; }
  const std::string& clientUid() const { return clientUid_; }
  const std::string& clientOS() const { return clientOS_; }
  const SoftwareVersion& clientVersion() const { return clientVersion_; }
  std::uint16_t listenPort() const { return listenPort_; }
  const std::optional<std::string>& listenInterface() const { return listenInterface_; }
  const Options& options() const { return options_; }
  const VeltoApp& app() const { return app_; }
  const std::shared_ptr<osc::OSCServer>& oscServer() const { return oscServer_; }
  const std::shared_ptr<osc::DispatchQueue>& queue() const { return queue_; }

  // --- State, as copies (any thread). ---
  std::optional<DeviceType> deviceType() const;
  std::optional<UserInfo::Device> deviceInfo() const;
  // Deep copies: changing them leaves the client's own objects alone.
  std::shared_ptr<Preset> preset() const;
  std::shared_ptr<Status> status() const;
  // A sign of life at most onlineWindow old.
  bool isOnline() const;
  OnlineStateHandler onlineStateHandler() const;
  void setOnlineStateHandler(OnlineStateHandler handler);

  // The online test itself: lastSeen present and not earlier than now - window.
  static bool isOnline(const std::optional<osc::DispatchTime>& lastSeen, osc::DispatchTime now,
                       std::chrono::nanoseconds window);

  // --- Connection (VeltoClientConnection.cpp). ---
  // Disconnects, then starts a session for deviceType(). Throws unknownDeviceType when none is
  // known (nothing else happens), or what startSession throws.
  virtual asio::awaitable<std::vector<UserInfo>> connect(ConnectionMode mode, Nanoseconds timeout);
  // Starts the server and the session; `timeout` bounds the wait for the user infos. Throws
  // connectionAlreadyStarted while the server runs (nothing changes); any later failure
  // disconnects first, then passes the error on.
  virtual asio::awaitable<std::vector<UserInfo>> startSession(DeviceType deviceType, ConnectionMode mode,
                                                              Nanoseconds timeout);
  // Stops the server and the ping loop and forgets the last sign of life. Never fails; any thread.
  virtual void disconnect();
  // The first `count` user infos of distinct users received after `since`, in arrival order.
  // Throws failedReceivingUserInfo on a time-out, an unreadable user info, or the stream's end.
  asio::awaitable<std::vector<UserInfo>> receiveUserInfo(std::size_t count, osc::DispatchTime since,
                                                         Nanoseconds timeout);
  asio::awaitable<void> sendConnectRequest(ConnectionMode mode);
  asio::awaitable<void> sendKeepMePosted();
  asio::awaitable<void> sendPing();
  // Puts one online-state check on queue() and returns.
  void checkOnlineState();

  // --- Answers (VeltoClientAnswers.cpp). ---
  // The first confirmation of type `expected` received after `since`. Throws deviceIsOffline when
  // not online, the device's VeltoAppError when it reports one, ThrowingContinuationError::timeout
  // after `timeout`, noMatchingConfirmationReceived when the server stops first.
  asio::awaitable<VeltoAppConfirmation> waitForConfirmation(VeltoAppConfirmation::ConfirmationType expected,
                                                            osc::DispatchTime since, Nanoseconds timeout);

  // --- Commands (VeltoClientCommands.cpp). Precondition failures throw deviceIsOffline and send nothing. ---
  asio::awaitable<void> requestStatusUpdate();
  // Both return once status() shows the report they return.
  asio::awaitable<std::shared_ptr<AppSettings>> updateStatus(osc::DispatchTime since, Nanoseconds timeout);
  // Sends each pair whose text differs from the current status, asks for a status report and
  // returns the app settings of the first report that shows every requested text.
  asio::awaitable<std::shared_ptr<AppSettings>> applyAppSettings(AppSettings::Container changes,
                                                                 Nanoseconds timeout);
  asio::awaitable<void> sendAppName(std::string name);
  asio::awaitable<void> reboot();
  asio::awaitable<void> setUnitName(std::string name);
  asio::awaitable<void> factoryReset(std::string serialNumber);
  asio::awaitable<void> setFixedIP(IPv4Address ip, IPv4Address subnet, IPv4Address gateway);
  asio::awaitable<void> setAutomaticIP();
  asio::awaitable<void> switchUser(std::int64_t user, std::string password, std::optional<ConnectionMode> mode);
  asio::awaitable<void> identify();

  // --- osc::OSCServerDelegate (on queue()). ---
  void serverDidStop(std::exception_ptr error) override;
  void serverDidAddEndpoint(const std::string& host, std::uint16_t port) override;
  void couldNotParseData(const std::optional<std::vector<std::uint8_t>>& data, std::exception_ptr error) override;

  // --- Identity. ---
  // deviceIP + ":" + devicePort + " " + clientUid + " " + clientVersion.
  std::string description() const;
  // Equal: deviceIP, devicePort, clientUid, clientOS and clientVersion.
  friend bool operator==(const VeltoClient& a, const VeltoClient& b);
  std::size_t hashValue() const;

 protected:
  // Everything that changes, guarded by the client's mutex (withState).
  struct State {
    std::optional<DeviceType> deviceType;
    std::optional<UserInfo::Device> deviceInfo;
    std::shared_ptr<Preset> preset;                              // none before the first start
    const std::shared_ptr<Status> status = std::make_shared<Status>();  // never replaced
    bool previouslyOnline = false;
    std::optional<osc::DispatchTime> lastSeen;
  };

  // Runs `access(State&)` under the client's mutex and returns its result. `access` must not call
  // out (send, log, call back, wait) nor call another member that takes the mutex.
  template <class F>
  auto withState(F&& access) {
    std::lock_guard lock(mutex_);
    return std::forward<F>(access)(state_);
  }
  template <class F>
  auto withState(F&& access) const {
    std::lock_guard lock(mutex_);
    return std::forward<F>(access)(std::as_const(state_));
  }

  // Registers the base handlers ("/Va/Ping", "/VELTOapp/control/UserInfo",
  // "/VELTOGUI/StatusUpdate"). An override calls this first, then registers its own.
  virtual void setupOSCServerHandlers();
  // The user-info handler (on queue()): stores the device part and updates the preset's user.
  virtual void userInfoControlReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);
  // The status-report handler (on queue()): decodes the report into the client's Status in place.
  void statusUpdateReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);

  // Registers `handler` for `address` on the server's dispatcher; it runs on queue() while the
  // client lives (the registration holds the client weakly).
  template <class Client>
  void register_(std::string_view address,
                 void (Client::*handler)(const osc::OSCAddressPattern&, const osc::OSCMessage&)) {
    static_assert(std::is_base_of_v<VeltoClient, Client>);
    std::weak_ptr<VeltoClient> weak = weak_from_this();
    registerCallback(address, [weak, handler](const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message) {
      if (auto self = weak.lock()) (static_cast<Client&>(*self).*handler)(pattern, message);
    });
  }

  // Connection steps shared with the subclasses' own connection sequences:
  // throws connectionAlreadyStarted while the server runs; else forgets the last sign of life,
  // sets the device type (when given) and starts the server. A start failure disconnects and
  // passes the server's error on. The check and the start hold the connection lock.
  void beginConnection(std::optional<DeviceType> deviceType);
  // lastSeen = now; then an online-state check.
  void markSeen();
  // Starts the ping loop (cancelling a previous one).
  void startPingTask();

  // Throws deviceIsOffline unless the server runs.
  void requireRunningServer() const;
  // Throws deviceIsOffline unless the client is online.
  void requireOnline() const;
  // The bound listening port; none before the first start.
  std::optional<std::uint16_t> boundPort() const { return oscServer_->listeningPort(); }
  // One message to the device's OSC port with the send time-out; the send error passes on.
  void send(std::string_view address, std::vector<osc::OSCValue> values = {}) const;
  // The client aimed at the device's OSC port, for subclasses that send built messages or bundles
  // (with options().sendTimeout).
  const std::shared_ptr<osc::OSCClient>& oscClient() const { return oscClient_; }

  // The status waits: status reports received after `since` with exactly two arguments, the first
  // a string. A document that does not parse ends the wait with the parser's error; the time-out
  // throws ThrowingContinuationError::timeout, the stream's end OSCServerError::serverStopped.
  // waitForStatus: the first report that decodes into a copy of status() and holds app settings.
  asio::awaitable<std::shared_ptr<AppSettings>> waitForStatus(osc::DispatchTime since, Nanoseconds timeout) const;
  // waitForConfirmingStatus: the first report whose app settings hold every requested text (an
  // empty requested text takes any); reports without readable app settings are passed over.
  asio::awaitable<std::shared_ptr<AppSettings>> waitForConfirmingStatus(AppSettings::Container changes,
                                                                        osc::DispatchTime since,
                                                                        Nanoseconds timeout) const;

  // Per answer: a result ends the wait, none passes the message over, a throw ends the wait with
  // that error.
  template <class Result>
  using AnswerRule = std::function<std::optional<Result>(const osc::OSCMessage&)>;

  // The wait for answers: messages received strictly after `since` whose address matches one of
  // `addresses`, in arrival order, through `rule`, under a time-out of `timeout` (then
  // `timeoutError` is thrown). `endError` is thrown when the stream ends first or the server was
  // never started.
  template <class Result, class TimeoutError, class EndError>
  asio::awaitable<Result> waitForAnswer(std::vector<std::string_view> addresses, osc::DispatchTime since,
                                        Nanoseconds timeout, TimeoutError timeoutError, EndError endError,
                                        AnswerRule<Result> rule) const {
    auto messages = oscServer_->allMessages();
    if (!messages) throw endError;
    AnswerWait<Result> operation{std::move(*messages), patterns(addresses), since, std::move(rule)};
    auto race = osc::withTimeout(timeout, std::move(timeoutError), std::move(operation));
    std::optional<Answer<Result>> answer = co_await std::move(race);
    if (!answer) throw endError;
    if (answer->failure) answer->failure();
    co_return std::move(*answer->result);
  }

 private:
  // What the waiting side of an answer wait gets: a result, or a function that throws a copy of
  // the rule's error. The error is copied rather than handed over as an exception_ptr, whose
  // reference count lives in the uninstrumented C++ runtime: ThreadSanitizer could not see the
  // hand-over between the two tasks' threads.
  template <class Result>
  struct Answer {
    std::optional<Result> result;
    std::function<void()> failure;
  };
  // Called inside a catch block: a function that throws a copy of the current exception (the
  // errors of the client's rules by their own type, any other as a std::runtime_error of its text).
  static std::function<void()> copyOfCurrentError();

  template <class Result>
  struct AnswerWait {
    osc::OSCServer::Messages source;
    std::vector<osc::OSCAddressPattern> patterns;
    osc::DispatchTime since;
    AnswerRule<Result> rule;

    asio::awaitable<std::optional<Answer<Result>>> operator()() {
      // Only what the wait accepts reaches it: older replayed messages and other addresses are
      // passed over before they are copied.
      auto accept = [patterns = std::move(patterns), since = since](const osc::OSCMessage& message) {
        return accepts(message, patterns, since);
      };
      auto iterator = source.makeAsyncIterator(std::move(accept));
      for (;;) {
        std::optional<osc::OSCMessage> message = co_await iterator.next();
        if (!message) co_return std::nullopt;
        Answer<Result> answer;
        try {
          answer.result = rule(*message);
        } catch (...) {
          answer.failure = copyOfCurrentError();
        }
        if (answer.result || answer.failure) co_return answer;
      }
    }
    static bool accepts(const osc::OSCMessage& message, const std::vector<osc::OSCAddressPattern>& patterns,
                        osc::DispatchTime since) {
      if (!message.receiveTime() || !(*message.receiveTime() > since)) return false;
      for (const auto& pattern : patterns) {
        if (pattern.matches(message.address())) return true;
      }
      return false;
    }
  };

  // Returns once queue() has run every block submitted before the call, back on the caller's
  // executor. The server hands a message to the address handlers (on queue()) before any wait
  // sees it, so after a wait's match this makes the handlers' state include that message.
  asio::awaitable<void> passQueue() const;

  static std::vector<osc::OSCAddressPattern> patterns(const std::vector<std::string_view>& addresses);
  static asio::awaitable<void> pingLoop(std::weak_ptr<VeltoClient> client, std::chrono::nanoseconds period);

  void init();
  void registerCallback(std::string_view address, osc::OSCObjectDispatcher::Callback callback);
  void pingReceived(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);
  // True when the check found the device gone and disconnected.
  bool runOnlineStateCheck();
  // Stops server and ping loop; with `onlyWhenStopped`, only when the server is not running
  // (decided under the connection lock).
  void endConnection(bool onlyWhenStopped);
  bool isOnlineLocked() const;

  const std::string deviceIP_;
  const std::uint16_t devicePort_;
  const std::string clientUid_;
  const std::string clientOS_;
  const SoftwareVersion clientVersion_;
  const std::uint16_t listenPort_;
  const std::optional<std::string> listenInterface_;
  const Options options_;
  const std::shared_ptr<osc::DispatchQueue> queue_;
  const VeltoApp app_;
  const std::shared_ptr<osc::OSCClient> oscClient_;
  const std::shared_ptr<osc::OSCServer> oscServer_;

  std::mutex connectionMutex_;  // server start and stop, and the stop report's decision
  mutable std::mutex mutex_;    // state_, pingTask_, onlineStateHandler_
  State state_;
  std::optional<async::TaskHandle<void>> pingTask_;
  OnlineStateHandler onlineStateHandler_;
};

}  // namespace device

template <>
struct std::hash<device::VeltoClient> {
  std::size_t operator()(const device::VeltoClient& client) const noexcept { return client.hashValue(); }
};
