#pragma once
// What the network-settings sheet shows and sends, without widgets: the title, the mode shown
// first, and the decision made when Apply is pressed (a validation error, nothing to send, the
// automatic address, or a fixed address).

#include <optional>
#include <string>
#include <string_view>

#include "device/Model/IPv4Address.h"

namespace device {
class Settings;
}

namespace app {

// A device's fixed addressing; an address of 0.0.0.0 means automatic addressing.
struct NetworkAddressing {
  device::IPv4Address ip = device::IPv4Address::zero();
  device::IPv4Address subnet = device::IPv4Address::zero();
  device::IPv4Address gateway = device::IPv4Address::zero();

  static NetworkAddressing of(const device::Settings& settings);
  bool isAutomatic() const { return ip == device::IPv4Address::zero(); }
  friend bool operator==(const NetworkAddressing&, const NetworkAddressing&) = default;
};

// The sheet's pop-up, by item index.
enum class AddressMode { automatic = 0, fixed = 1 };

// What Apply sends: nothing (the sheet just closes), the automatic address, or `addressing`.
struct NetworkChange {
  enum class Kind { nothing, automatic, fixed };
  Kind kind = Kind::nothing;
  NetworkAddressing addressing;
  friend bool operator==(const NetworkChange&, const NetworkChange&) = default;
};

// The result of Apply: a validation error text (the sheet stays open) or the change to send.
struct NetworkDecision {
  std::optional<std::string> error;
  NetworkChange change;
};

// Applies the sheet's rules to what the user chose and typed, against the device's `current`
// addressing. The first failing check gives its error: the address, the mask and the gateway must
// parse, in this order; the address must not be 0.0.0.0, 127.0.0.1 or multicast; the gateway must
// not be 127.0.0.1 or multicast (0.0.0.0 is allowed). Unchanged settings send nothing.
NetworkDecision decideNetworkChange(const NetworkAddressing& current, AddressMode mode,
                                    std::string_view ipText, std::string_view subnetText,
                                    std::string_view gatewayText);

// "Network Settings for " and the device's name, or its address while the name is not known.
std::string networkSettingsTitle(const std::optional<std::string>& deviceName,
                                 const std::string& deviceIP);

}  // namespace app
