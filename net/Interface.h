#pragma once
// One address of one local network interface. allInterfaces() lists them fresh from the
// operating system on every call, one Interface for each IPv4 or IPv6 address. A value: copies
// keep the id; only the id can change after construction. Safe to call from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

class Interface {
 public:
  // Raw value: the case's position (0, 1, 2).
  enum class Family { ipv4, ipv6, other };
  static std::optional<Family> familyFromRaw(std::int64_t raw);
  // "IPv4", "IPv6", "other".
  static std::string_view displayText(Family family);
  // "ipv4", "ipv6", "other".
  static std::string_view caseName(Family family);

  // In the order the operating system lists the addresses; empty when the list cannot be had.
  static std::vector<Interface> allInterfaces();

  Interface(std::string name, Family family, std::optional<std::string> address, std::optional<std::string> netmask,
            bool running, bool up, bool loopback, bool multicastSupported,
            std::optional<std::string> broadcastAddress);
  // No netmask; running and up, not loopback.
  Interface(std::string name, Family family, std::optional<std::string> address, bool multicastSupported,
            std::optional<std::string> broadcastAddress);

  const std::string& id() const { return id_; }
  void setId(std::string id) { id_ = std::move(id); }
  const std::string& name() const { return name_; }
  Family family() const { return family_; }
  const std::optional<std::string>& address() const { return address_; }
  const std::optional<std::string>& netmask() const { return netmask_; }
  // Absent unless the interface is broadcast-capable.
  const std::optional<std::string>& broadcastAddress() const { return broadcastAddress_; }
  bool isRunning() const { return running_; }
  bool isUp() const { return up_; }
  bool isLoopback() const { return loopback_; }
  bool supportsMulticast() const { return multicastSupported_; }

  // The address in network byte order (4 or 16 bytes); none without a parsable address.
  std::optional<std::vector<std::uint8_t>> addressBytes() const;
  // The name.
  const std::string& description() const { return name_; }
  // "Interface name:en0 family:ipv4 ip:192.168.1.20 (up) (running)".
  std::string debugDescription() const;

 private:
  std::string id_;
  std::string name_;
  Family family_;
  std::optional<std::string> address_;
  std::optional<std::string> netmask_;
  std::optional<std::string> broadcastAddress_;
  bool running_;
  bool up_;
  bool loopback_;
  bool multicastSupported_;
};

}  // namespace net
