#pragma once
// UserDiscoverer: finds the users (personal mixes) that devices on the local IPv4 networks offer.
// Every period it sends a connect request to the discovery port on every usable interface (the
// broadcast address, or the own address of a loopback interface), listens on its own UDP port for
// the devices' "/VELTOapp/control/UserInfo" replies, keeps one record per user and network path
// with the time it was last heard, and reports new users, changed users and users not heard for
// longer than the window through three handlers.
//
// Ownership: held through std::shared_ptr (make()); its owner is the DeviceDiscoverer. The timer,
// the server's dispatcher and the queued blocks hold it weakly, so dropping the last reference
// stops everything (the destructor stops the server and the timer and never waits for the queue).
//
// Threads:
// - The queue given at construction (the owner's serial "Velto Device Discoverer" queue) runs the
//   discovery cycles and the replies; it is the OSC server's delegate queue.
// - The three handlers are called on that queue, one at a time, never under the discoverer's lock;
//   they may read users() but must return quickly.
// - start(), stop() and users() run on the caller's thread under the discoverer's lock (any thread,
//   the queue included); discover() only enqueues a cycle. The handler setters may be called at any
//   time from any thread.
// - The requests of one cycle are sent by a task on the process-wide pool with its own copy of the
//   request and of the interface list function; sends of two cycles may interleave.
//
// Any host may send replies, so what they can take is bounded: a reply with a text longer than
// kMaximumTextSize is ignored, and at most `maximumUsers` records are kept (a network has hundreds
// of devices at most, each with up to 16 users); a new user beyond that is ignored with a warning
// until records expire. Records are found by a hash of their identity.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "async/Repeater.h"
#include "device/Discoverer/Locked.h"
#include "device/Model/SoftwareVersion.h"
#include "device/Model/UserInfo.h"
#include "net/Interface.h"
#include "osc/DispatchQueue.h"
#include "osc/OSCClient.h"
#include "osc/OSCServer.h"

namespace device {

// The protocol's values by default; tests give short periods, their own ports, a fixed list of
// interfaces and a clock of their own.
struct UserDiscovererOptions {
  using InterfaceList = std::function<std::vector<net::Interface>()>;

  std::uint16_t discoveryPort = 9110;
  std::chrono::duration<double> period{2.0};
  std::chrono::nanoseconds window = std::chrono::seconds(10);
  std::uint64_t sendTimeout = 1'000'000'000;  // nanoseconds
  InterfaceList interfaces = &net::Interface::allInterfaces;
  std::function<std::chrono::steady_clock::time_point()> now = &std::chrono::steady_clock::now;
  // The records the user discoverer keeps, and the devices its device discoverer keeps.
  std::size_t maximumUsers = 8192;
  std::size_t maximumDevices = 1024;
};

class UserDiscoverer : public std::enable_shared_from_this<UserDiscoverer> {
  struct Passkey {};

 public:
  using Clock = std::chrono::steady_clock;

  // One user on one network path.
  struct Result {
    Clock::time_point lastSeen;  // when its last reply arrived
    UserInfo userInfo;

    // The same user on the same path: serial number, device type, the device's address text, its
    // port and the user number are equal.
    bool isSameUser(const Result& other) const;
    // A hash key of that identity.
    std::string key() const;
    friend bool operator==(const Result&, const Result&) = default;
  };

  using NewUserHandler = std::function<void(const Result&)>;
  // The stored record (with its previous lastSeen) and the record that replaces it.
  using UserChangedHandler = std::function<void(const Result& old, const Result& updated)>;
  using UserOfflineHandler = std::function<void(const Result&)>;
  using InterfaceList = UserDiscovererOptions::InterfaceList;

  using Options = UserDiscovererOptions;

  static constexpr const char* userInfoAddress = "/VELTOapp/control/UserInfo";
  static constexpr const char* connectRequestAddress = "/VELTOpelion/control/ConnectRequest";
  // The longest text of a reply that is taken (names, serial number, address, uid, ...).
  static constexpr std::size_t kMaximumTextSize = 256;

  // A hash key of a device's identity: serial number and type.
  static std::string deviceKey(const UserInfo::Device& device);

  // Creates the sending client; throws the socket error when it cannot be made. Nothing is sent or
  // received before start(). A listen port of 0 lets the system pick one; the request then names
  // the bound port.
  static std::shared_ptr<UserDiscoverer> make(std::shared_ptr<osc::DispatchQueue> queue, std::uint16_t listenPort,
                                              std::string clientUid, std::string clientOS,
                                              SoftwareVersion clientVersion, NewUserHandler newUserHandler = {},
                                              UserChangedHandler userChangedHandler = {},
                                              UserOfflineHandler userOfflineHandler = {}, Options options = {});
  UserDiscoverer(Passkey, std::shared_ptr<osc::DispatchQueue> queue, std::uint16_t listenPort, std::string clientUid,
                 std::string clientOS, SoftwareVersion clientVersion, Options options);
  ~UserDiscoverer();
  UserDiscoverer(const UserDiscoverer&) = delete;
  UserDiscoverer& operator=(const UserDiscoverer&) = delete;

  // Forgets the known users, starts the server and the timer and queues the first cycle at once.
  // Does nothing when started. Throws the server's start error; the discoverer then stays stopped,
  // so a later start() tries again.
  void start();
  // Stops the timer and the server and forgets the users without reporting them offline.
  void stop();
  bool isStarted() const;
  // Queues one discovery cycle and returns at once.
  void discover();
  // A copy of the known records, in the order of their first reply.
  std::vector<Result> users() const;
  // The port the server is bound to while started.
  std::optional<std::uint16_t> listeningPort() const;

  // The reply handler registered on the server (runs on the queue). Ignored while stopped.
  void receivedUserInfo(const osc::OSCAddressPattern& pattern, const osc::OSCMessage& message);

  NewUserHandler newUserHandler() const { return copyLocked(mutex_, newUserHandler_); }
  void setNewUserHandler(NewUserHandler handler) {
    assignLocked(mutex_, newUserHandler_, std::move(handler));
  }
  UserChangedHandler userChangedHandler() const { return copyLocked(mutex_, userChangedHandler_); }
  void setUserChangedHandler(UserChangedHandler handler) {
    assignLocked(mutex_, userChangedHandler_, std::move(handler));
  }
  UserOfflineHandler userOfflineHandler() const { return copyLocked(mutex_, userOfflineHandler_); }
  void setUserOfflineHandler(UserOfflineHandler handler) {
    assignLocked(mutex_, userOfflineHandler_, std::move(handler));
  }

  const std::shared_ptr<osc::DispatchQueue>& queue() const { return queue_; }

 private:
  void runCycle();
  // A reply of the run `run` (none: of the current one).
  void receive(const osc::OSCMessage& message, std::optional<std::uint64_t> run);
  osc::OSCMessage connectRequest(std::uint16_t port) const;

  const std::shared_ptr<osc::DispatchQueue> queue_;
  const std::uint16_t listenPort_;
  const std::string clientUid_;
  const std::string clientOS_;
  const SoftwareVersion clientVersion_;
  const Options options_;
  const std::shared_ptr<osc::OSCClient> client_;

  std::mutex lifecycleMutex_;  // serialises start() and stop(); taken before mutex_
  mutable std::mutex mutex_;
  std::shared_ptr<osc::OSCServer> discoverServer_;
  std::shared_ptr<async::Repeater> timer_;
  std::uint64_t run_ = 0;  // raised by every start, so replies of an earlier run are dropped
  std::list<Result> discoveredUsers_;  // in the order of their first reply
  std::unordered_map<std::string, std::list<Result>::iterator> index_;  // by Result::key()
  bool warnedFull_ = false;  // since the records last fell below the bound
  NewUserHandler newUserHandler_;
  UserChangedHandler userChangedHandler_;
  UserOfflineHandler userOfflineHandler_;
};

}  // namespace device
