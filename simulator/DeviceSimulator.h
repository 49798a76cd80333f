#pragma once
// DeviceSimulator: plays any number of devices of the family (processors, controllers, companion
// apps) in-process, for the client, discovery, device-manager and window tests and for the
// velto-devsim program. Each device owns UDP sockets bound to its own 127.x address: a discovery
// port (9110), a control port (0: the system picks) and a companion port (9111), optionally again
// on a second address. Every datagram is decoded and every answer encoded by liblo, never by our
// osc/ library.
//
// What a device answers, always to the sender's address (never to a broadcast address):
//   ConnectRequest (discovery and control ports)  one UserInfo per user, to the port the request names
//   /Vp/Ping                                      /Va/Ping to the port it names
//   SwitchUser                                    /VELTOapp/control/SwitchedUser
//   KeepMePosted                                  subscribes; every later status change is pushed
//   StatusUpdate (T, port, uid) and (no arguments) /VELTOGUI/StatusUpdate
//   AppName, UnitName, FixedIP, SetProperty (companion port)  change the status document
//   RequestListOfPresets (in its bundle)          /VELTOapp/control/PresetList
//   presetSeg                                     joined, inflated, stored, "Preset received." code 1
//   presetCopyToUSB                               /VELTOapp/control/PresetSeg segments
//   presetSave, presetDelete, presetSelect        confirmations, errors, presetLoadComplete
//   /Va/control/PresetSave, PresetLoad, PresetDelete (companion port)  user-show store changes
// Replies to a request that carries no port go to the port the sender's uid registered (connect
// request, ping, keep-me-posted or status request), else to the port registered from the same
// source socket; with neither the request goes unanswered (logged). Everything else is recorded.
//
// Threads: start() opens the sockets and starts one receive thread that polls every socket and
// also sends the delayed replies; stop() (and the destructor) wakes and joins it and closes the
// sockets. Every other member may be called from any thread at any time, also while running; the
// log callback runs on the receive thread or the caller's, never under the simulator's lock, and
// must not call back into the simulator.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulator/DeviceConfig.h"
#include "simulator/SimMessage.h"
#include "simulator/SimulatedDevice.h"

namespace testsupport {

using namespace std::chrono_literals;

enum class SimPort { discovery, control, companion, relay };

// One received message (a bundle is recorded as its messages, each marked inBundle).
struct SimReceived {
  static constexpr std::size_t relayDevice = static_cast<std::size_t>(-1);

  std::size_t device = 0;  // index in the simulator's list, or relayDevice
  SimPort port = SimPort::control;
  std::string localAddress;  // the device address it came to
  std::uint16_t localPort = 0;
  std::string sourceHost;
  std::uint16_t sourcePort = 0;
  std::chrono::steady_clock::time_point time;
  bool inBundle = false;
  SimMessage message;
};

class DeviceSimulator {
 public:
  using Clock = std::chrono::steady_clock;

  struct Options {
    // When set, a socket on this address and the discovery port of the first device stands for a
    // broadcast domain: every connect request that reaches it is answered by every device, each
    // from its own discovery socket ("--simulate" uses 127.0.0.1, where discoverers send).
    std::optional<std::string> relayAddress;
    // Told one line per datagram received and sent.
    std::function<void(const std::string&)> log;
  };

  explicit DeviceSimulator(std::vector<DeviceConfig> devices, Options options = {});
  ~DeviceSimulator();
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;

  // Binds every socket and starts the receive thread. Throws std::system_error (naming the
  // address and port) when a socket cannot be bound; nothing is left open then.
  void start();
  // Safe when not running. Delayed replies not yet sent are dropped.
  void stop();
  bool isRunning() const;

  std::size_t size() const;
  // The ports bound by start() (the configured ones before it).
  std::uint16_t controlPort(std::size_t device) const;
  std::uint16_t discoveryPort(std::size_t device) const;
  std::uint16_t companionPort(std::size_t device) const;

  // A copy of a device's current state (users, status settings, presets, switches).
  DeviceConfig config(std::size_t device) const;
  // Changes a device in place under the simulator's lock; `change` must not call the simulator.
  void update(std::size_t device, const std::function<void(DeviceConfig&)>& change);
  // The clients the device knows, in the order first heard.
  std::vector<SimRegistration> registrations(std::size_t device) const;

  // --- Unsolicited messages, to every registered client of the device (or one port). ---
  void sendUserInfos(std::size_t device, std::optional<std::size_t> user = std::nullopt);
  void sendStatus(std::size_t device);
  // "/Vp/ui/<user>/ch/<channel>/<parameter>[/Relayed]" with the value and, when given, a uid.
  void sendChannelParameter(std::size_t device, int user, int channel, const std::string& parameter,
                            SimValue value, bool relayed = false, std::optional<std::string> uid = std::nullopt);
  // "/VELTOapp/user/UserInfo" with the users' XML document as its one string.
  void sendUserXml(std::size_t device, const std::string& xml);
  // Any message, from the device's control socket, to every registered client.
  void sendToClients(std::size_t device, SimMessage message, bool compressed = false);
  // Any message, from the device's control socket, to host:port (e.g. a stale reply sent before
  // its request).
  void sendTo(std::size_t device, const std::string& host, std::uint16_t port, SimMessage message,
              bool compressed = false);

  // --- The record of every received message. ---
  std::vector<SimReceived> received() const;
  // Those of one device (any device: nullopt) on one address (any: empty).
  std::vector<SimReceived> received(std::optional<std::size_t> device, std::string_view address) const;
  // Waits until at least `count` such messages were received after `since`; returns them all
  // (fewer when the time-out passes first).
  std::vector<SimReceived> waitFor(std::optional<std::size_t> device, std::string_view address,
                                   std::size_t count = 1, std::chrono::milliseconds timeout = 2s,
                                   Clock::time_point since = {}) const;
  void clearReceived();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace testsupport
