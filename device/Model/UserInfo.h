#pragma once
// One user-info message of the discovery protocol in typed form: a user (personal mix) of a
// device and the device itself. Devices answer connect requests with one such message per user
// on "/VELTOapp/control/UserInfo"; the discoverer groups users by device, and a device client
// keeps the Device part as the device's information.
// Plain values with no shared state; any thread may use its own copy.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "device/Model/DeviceType.h"
#include "device/Model/Hide.h"
#include "device/Model/SoftwareVersion.h"
#include "osc/OSCMessage.h"

namespace device {

class UserInfo {
 public:
  class User {
   public:
    User(std::size_t number, bool requiresPassword, std::string name, std::string icon, Hide mixHide,
         bool phaseInvert)
        : number_(number), requiresPassword_(requiresPassword), name_(std::move(name)), icon_(std::move(icon)),
          mixHide_(mixHide), phaseInvert_(phaseInvert) {}

    // The mix's number as the device counts it.
    std::size_t number() const { return number_; }
    bool requiresPassword() const { return requiresPassword_; }
    const std::string& name() const { return name_; }
    const std::string& icon() const { return icon_; }
    Hide mixHide() const { return mixHide_; }
    bool phaseInvert() const { return phaseInvert_; }

    // name + " #" + number.
    std::string description() const;
    // All six fields.
    friend bool operator==(const User&, const User&) = default;

   private:
    std::size_t number_;
    bool requiresPassword_;
    std::string name_;
    std::string icon_;
    Hide mixHide_;
    bool phaseInvert_;
  };

  class Device {
   public:
    Device(std::string serialNumber, DeviceType type, std::string ip, std::uint16_t port, SoftwareVersion version,
           std::string name, std::ptrdiff_t numberOfInputs, std::ptrdiff_t numberOfOutputs, std::string uid)
        : serialNumber_(std::move(serialNumber)), type_(type), ip_(std::move(ip)), port_(port), version_(version),
          name_(std::move(name)), numberOfInputs_(numberOfInputs), numberOfOutputs_(numberOfOutputs),
          uid_(std::move(uid)) {}

    const std::string& serialNumber() const { return serialNumber_; }
    // The model with the mix and input counts of the model table.
    const DeviceType& type() const { return type_; }
    // The IPv4 address text exactly as received, not validated.
    const std::string& ip() const { return ip_; }
    std::uint16_t port() const { return port_; }
    const SoftwareVersion& version() const { return version_; }
    const std::string& name() const { return name_; }
    // The counts as the device reports them (type().numberOfInputs() is the table's per-mix count).
    std::ptrdiff_t numberOfInputs() const { return numberOfInputs_; }
    std::ptrdiff_t numberOfOutputs() const { return numberOfOutputs_; }
    const std::string& uid() const { return uid_; }

    // name + " - " + ip + ":" + port + " " + the model's raw string + ":" + uid.
    std::string description() const;
    // The same device: serial number and type only, so a new address or name changes nothing.
    friend bool operator==(const Device& a, const Device& b) {
      return a.serialNumber_ == b.serialNumber_ && a.type_ == b.type_;
    }

   private:
    std::string serialNumber_;
    DeviceType type_;
    std::string ip_;
    std::uint16_t port_;
    SoftwareVersion version_;
    std::string name_;
    std::ptrdiff_t numberOfInputs_;
    std::ptrdiff_t numberOfOutputs_;
    std::string uid_;
  };

  UserInfo(User user, Device device) : user_(std::move(user)), device_(std::move(device)) {}

  // Reads a user-info message's arguments by position (the address plays no part): at least 18,
  // the uid in the last one. Any argument of the wrong kind or out of range (negative user
  // number or output count, port outside 0...65535, unknown model, a version that does not
  // parse, a mix-hide value other than 0 or 20, a pelion with other than 1...16 outputs) gives
  // no record. Never throws on malformed input.
  static std::optional<UserInfo> fromMessage(const osc::OSCMessage& message);

  const User& user() const { return user_; }
  const Device& device() const { return device_; }

  // The user's and the device's descriptions joined by one blank.
  std::string description() const;
  friend bool operator==(const UserInfo&, const UserInfo&) = default;

 private:
  User user_;
  Device device_;
};

}  // namespace device
