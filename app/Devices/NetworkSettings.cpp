#include "app/Devices/NetworkSettings.h"

#include "device/Model/Settings.h"

namespace app {

using device::IPv4Address;

NetworkAddressing NetworkAddressing::of(const device::Settings& settings) {
  return {settings.fixedIP, settings.fixedSubnet, settings.fixedGateway};
}

NetworkDecision decideNetworkChange(const NetworkAddressing& current, AddressMode mode,
                                    std::string_view ipText, std::string_view subnetText,
                                    std::string_view gatewayText) {
  if (mode == AddressMode::automatic) {
    if (current.isAutomatic()) return {};
    return {std::nullopt, {NetworkChange::Kind::automatic, {}}};
  }
  auto ip = IPv4Address::fromString(ipText);
  if (!ip) return {"Invalid IP Address provided", {}};
  auto subnet = IPv4Address::fromString(subnetText);
  if (!subnet) return {"Invalid Subnet Mask provided", {}};
  auto gateway = IPv4Address::fromString(gatewayText);
  if (!gateway) return {"Invalid Gateway provided", {}};
  if (*ip == IPv4Address::zero() || ip->isLoopback() || ip->isMulticast())
    return {"IP Address not supported", {}};
  if (gateway->isLoopback() || gateway->isMulticast()) return {"Gateway not supported", {}};
  NetworkAddressing typed{*ip, *subnet, *gateway};
  if (typed == current) return {};
  return {std::nullopt, {NetworkChange::Kind::fixed, typed}};
}

std::string networkSettingsTitle(const std::optional<std::string>& deviceName,
                                 const std::string& deviceIP) {
  return "Network Settings for " + deviceName.value_or(deviceIP);
}

}  // namespace app
