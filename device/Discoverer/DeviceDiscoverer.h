#pragma once
// DeviceDiscoverer: turns the users that its UserDiscoverer reports into devices. A device is
// identified by serial number and device type and reached through one or more endpoints (IPv4
// address and port), one per network path on which one of its users answers. Four events go to
// the owner (the device manager): a new device, an endpoint added to a known device, an endpoint
// removed from a device that keeps others, and a device gone offline with its last endpoint.
//
// An endpoint is removed only when the last user of the device heard on that path has expired;
// several users of one device share the path and one of them falling silent is no sign of the
// path being gone.
//
// Replies may come from any host, so the records are bounded: at most `maximumDevices` devices
// (UserDiscovererOptions; a network has hundreds at most), each with at most
// kMaximumEndpointsPerDevice paths and kMaximumUsersPerDevice users (a device serves up to 16
// mixes on a few interfaces). A device, path or user beyond a bound is refused with a warning and
// no event; the user discoverer's bound and its text bound keep the rest small. Devices are found
// by a hash of serial number and type.
//
// Ownership: held through std::shared_ptr (make()); it owns the user discoverer, whose handlers
// hold it weakly.
//
// Threads:
// - The folding (newUserFound, userChanged, userWentOffline) runs on the queue given at
//   construction (the serial "Velto Device Discoverer" queue, shared with the user discoverer),
//   called by the user discoverer. The four handlers are called there, one at a time and in the
//   order of the events, never under the discoverer's lock. A handler returns quickly and only
//   hands work on (it must not wait for the queue).
// - start(), stop() and discoveredDevices() run on the caller's thread under locks (any thread).
//   The handler setters may be called at any time from any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "device/Discoverer/UserDiscoverer.h"
#include "device/Discoverer/Locked.h"
#include "device/Model/DeviceType.h"
#include "device/Model/IPv4Address.h"
#include "device/Model/SoftwareVersion.h"
#include "device/Model/UserInfo.h"

namespace device {

class DeviceDiscoverer : public std::enable_shared_from_this<DeviceDiscoverer> {
  struct Passkey {};

 public:
  // One discovered device.
  struct Result {
    // One network path to the device.
    struct Endpoint {
      IPv4Address ip;
      std::uint16_t port;

      // "192.168.1.20:9110".
      std::string description() const;
      friend bool operator==(const Endpoint&, const Endpoint&) = default;
    };

    // From the device's first reply; only `endpoints` and `users` change afterwards.
    std::string serialNumber;
    DeviceType type;
    std::vector<Endpoint> endpoints;  // never empty while the device is known
    SoftwareVersion version;
    std::string name;
    std::ptrdiff_t numberOfInputs;
    std::ptrdiff_t numberOfOutputs;
    std::string uid;
    std::vector<UserInfo::User> users;  // seen so far, at most one per user number

    // name + " - [" + endpoints joined by ", " + "] " + type + ":" + uid.
    std::string description() const;
    // The same device: serial number and type only.
    friend bool operator==(const Result& a, const Result& b) {
      return a.serialNumber == b.serialNumber && a.type == b.type;
    }
  };
  using Endpoint = Result::Endpoint;

  using DeviceHandler = std::function<void(const Result&)>;
  using EndpointHandler = std::function<void(const Result&, const Endpoint&)>;

  static constexpr std::size_t kMaximumEndpointsPerDevice = 16;
  static constexpr std::size_t kMaximumUsersPerDevice = 32;

  // Creates the user discoverer on the same queue with the same port, uid, OS, version and
  // options (its make() may throw the socket error). Stopped until start().
  static std::shared_ptr<DeviceDiscoverer> make(std::shared_ptr<osc::DispatchQueue> queue, std::uint16_t listenPort,
                                                std::string clientUid, std::string clientOS,
                                                SoftwareVersion clientVersion, DeviceHandler newDeviceHandler = {},
                                                DeviceHandler offlineDeviceHandler = {},
                                                EndpointHandler addedEndPointHandler = {},
                                                EndpointHandler removedEndPointHandler = {},
                                                UserDiscoverer::Options options = {});
  DeviceDiscoverer(Passkey, std::shared_ptr<osc::DispatchQueue> queue, std::size_t maximumDevices);
  DeviceDiscoverer(const DeviceDiscoverer&) = delete;
  DeviceDiscoverer& operator=(const DeviceDiscoverer&) = delete;

  // Starts the user discoverer and rethrows its error. The time-out has no effect: the call returns
  // once the server and the timer run, before any device is found.
  void start(std::uint64_t timeout = 1'000'000'000);
  // Stops the user discoverer; the known devices and their endpoints stay, no handler is called.
  void stop();
  // Asks for a discovery cycle now and returns at once.
  void discover();

  // A copy of the known devices, in the order of discovery.
  std::vector<Result> discoveredDevices() const;
  const std::shared_ptr<UserDiscoverer>& userDiscoverer() const { return userDiscoverer_; }
  const std::shared_ptr<osc::DispatchQueue>& queue() const { return queue_; }

  // The user discoverer's events (on the queue).
  void newUserFound(const UserDiscoverer::Result& record);
  void userChanged(const UserDiscoverer::Result& old, const UserDiscoverer::Result& updated);
  void userWentOffline(const UserDiscoverer::Result& record);

  DeviceHandler newDeviceHandler() const { return copyLocked(mutex_, newDeviceHandler_); }
  void setNewDeviceHandler(DeviceHandler handler) {
    assignLocked(mutex_, newDeviceHandler_, std::move(handler));
  }
  DeviceHandler offlineDeviceHandler() const { return copyLocked(mutex_, offlineDeviceHandler_); }
  void setOfflineDeviceHandler(DeviceHandler handler) {
    assignLocked(mutex_, offlineDeviceHandler_, std::move(handler));
  }
  EndpointHandler addedEndPointHandler() const { return copyLocked(mutex_, addedEndPointHandler_); }
  void setAddedEndPointHandler(EndpointHandler handler) {
    assignLocked(mutex_, addedEndPointHandler_, std::move(handler));
  }
  EndpointHandler removedEndPointHandler() const { return copyLocked(mutex_, removedEndPointHandler_); }
  void setRemovedEndPointHandler(EndpointHandler handler) {
    assignLocked(mutex_, removedEndPointHandler_, std::move(handler));
  }

 private:
  // A user record of the user discoverer, as far as it tells records on one path apart.
  using PathUser = std::pair<std::size_t, std::string>;  // user number, the address text it reported
  struct Entry {
    Result result;
    // Parallel to result.endpoints: the user records heard on each endpoint that have not expired.
    std::vector<std::set<PathUser>> pathUsers;
    bool warned = false;  // about a path or a user beyond the device's bounds
  };

  // A handler call decided under the lock and made after it: with an endpoint, the endpoint
  // handler; without, the device handler. Nothing without a result.
  struct Event {
    DeviceHandler deviceHandler;
    EndpointHandler endpointHandler;
    std::optional<Result> result;
    std::optional<Endpoint> endpoint;
    void call() const;
  };

  std::list<Entry>::iterator find(const UserInfo::Device& device);
  void forgetPathUsers();

  const std::shared_ptr<osc::DispatchQueue> queue_;
  std::shared_ptr<UserDiscoverer> userDiscoverer_;

  mutable std::mutex mutex_;
  const std::size_t maximumDevices_;
  std::list<Entry> devices_;  // in the order of discovery
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;  // by UserDiscoverer::deviceKey
  bool warnedFull_ = false;  // since the devices last fell below the bound
  DeviceHandler newDeviceHandler_;
  DeviceHandler offlineDeviceHandler_;
  EndpointHandler addedEndPointHandler_;
  EndpointHandler removedEndPointHandler_;
};

}  // namespace device
