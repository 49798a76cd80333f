#pragma once
// The protocol side of one simulated device: what it answers to each request and how requests
// change it. No sockets and no lock: DeviceSimulator owns one per device, calls it under its lock
// from the receive thread (or a test's thread) and sends the replies it returns.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "simulator/DeviceConfig.h"
#include "simulator/SimMessage.h"

namespace testsupport {

// A client a device knows: the address it sends from and the port it listens on.
struct SimRegistration {
  std::string uid;
  std::string host;
  std::uint16_t port = 0;
  bool subscribed = false;  // sent KeepMePosted
};

// Where a message came in: the socket's roles, which path, and the sender.
struct SimContext {
  bool discovery = false;
  bool control = false;
  bool companion = false;
  bool secondPath = false;
  bool inBundle = false;
  std::string sourceHost;
  std::uint16_t sourcePort = 0;
};

// One datagram a device sends, from its control or discovery socket on the given path.
struct SimReply {
  bool fromDiscovery = false;
  bool secondPath = false;
  std::string host;
  std::uint16_t port = 0;
  SimMessage message;
  bool compressed = false;
  std::chrono::milliseconds delay{0};
};

class SimulatedDevice {
 public:
  // Confirmation and error codes the device sends.
  static constexpr std::int32_t codeReceived = 1;
  static constexpr std::int32_t codeDeleted = 3;
  static constexpr std::int32_t codeSaved = 5;
  static constexpr std::int32_t codeFileNotFound = 2;
  static constexpr std::int32_t codeFailed = 4;
  static constexpr std::size_t segmentSize = 1000;
  // Bounds on what a client can make the device hold.
  static constexpr std::int32_t maxSegmentCount = 16384;
  static constexpr std::size_t maxPendingBytes = 32u << 20;
  static constexpr std::size_t maxPresetBytes = 16u << 20;

  explicit SimulatedDevice(DeviceConfig config);

  DeviceConfig& config() { return config_; }
  const DeviceConfig& config() const { return config_; }
  // The control port actually bound, reported in user infos.
  void setBoundControlPort(std::uint16_t port) { boundControlPort_ = port; }

  // The replies to one received message, with the device's switches applied. Adds log notes.
  std::vector<SimReply> handle(const SimMessage& message, const SimContext& context);
  // The user infos for host:port (all users, or one), as answered through the given path.
  std::vector<SimReply> userInfos(const std::string& host, std::uint16_t port, bool fromDiscovery, bool secondPath,
                                  std::optional<std::size_t> user = std::nullopt) const;
  // `message` to every registered client (only subscribers when `subscribersOnly`).
  std::vector<SimReply> toClients(const SimMessage& message, bool subscribersOnly = false) const;
  SimMessage statusMessage() const;
  std::vector<SimRegistration> registrations() const;

  // Notes of what the device did since the last call ("stored preset X", "no port known for uid").
  std::vector<std::string> takeNotes();

 private:
  struct Pending {
    std::int32_t count = 0;
    std::map<std::int32_t, std::vector<std::uint8_t>> segments;
  };

  std::vector<SimReply> dispatch(const SimMessage& message, const SimContext& context);
  // Notes the client's listen port under its uid and under the socket it sent from.
  void registerClient(const std::string& uid, const SimContext& context, std::uint16_t port, bool subscribe);
  static std::string sourceKey(const SimContext& context);
  // A reply to the client of `uid` (at the sender's address), or none when no port is known.
  std::vector<SimReply> toUid(const std::string& uid, const SimContext& context, SimMessage message);
  std::vector<SimReply> toSender(const SimContext& context, std::uint16_t port, SimMessage message) const;
  std::vector<SimReply> statusChanged() const;
  std::string reportedIp(bool secondPath) const;

  std::vector<SimReply> connectRequest(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> statusRequest(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> presetList(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> presetSegment(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> presetCopy(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> presetSave(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> presetDelete(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> presetSelect(const SimMessage& m, const SimContext& c);
  std::vector<SimReply> companion(const SimMessage& m);

  SimMessage confirmation(std::string text, std::int32_t code) const;
  SimMessage error(std::string text, std::int32_t code) const;
  void store(SimPreset preset);

  DeviceConfig config_;
  std::uint16_t boundControlPort_ = 0;
  std::vector<SimRegistration> registrations_;
  std::map<std::string, std::uint16_t> portOfSource_;  // "host:port" of a sending socket
  std::map<std::string, Pending> pending_;             // uid + "\n" + file name
  std::size_t pendingBytes_ = 0;
  std::vector<std::string> notes_;
};

}  // namespace testsupport
