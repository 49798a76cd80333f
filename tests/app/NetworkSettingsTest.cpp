#include "app/Devices/NetworkSettings.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using device::IPv4Address;
using Kind = NetworkChange::Kind;

NetworkAddressing addressing(const char* ip, const char* subnet, const char* gateway) {
  return {*IPv4Address::fromString(ip), *IPv4Address::fromString(subnet),
          *IPv4Address::fromString(gateway)};
}

TEST(NetworkSettingsTest, ApplyDecidesWhatToSendOrWhichErrorToShow) {
  const auto automatic = addressing("0.0.0.0", "255.255.255.0", "0.0.0.0");
  const auto fixed = addressing("192.168.1.20", "255.255.255.0", "192.168.1.1");
  struct Case {
    const char* name;
    NetworkAddressing current;
    AddressMode mode;
    const char* ip;
    const char* subnet;
    const char* gateway;
    std::optional<std::string> error;
    Kind kind;
  };
  const std::vector<Case> cases{
      {"automatic stays automatic", automatic, AddressMode::automatic, "x", "x", "x", {}, Kind::nothing},
      {"fixed to automatic", fixed, AddressMode::automatic, "x", "x", "x", {}, Kind::automatic},
      {"fixed unchanged", fixed, AddressMode::fixed, "192.168.1.20", "255.255.255.0", "192.168.1.1", {}, Kind::nothing},
      {"fixed changed", fixed, AddressMode::fixed, "192.168.1.21", "255.255.255.0", "192.168.1.1", {}, Kind::fixed},
      {"automatic to fixed", automatic, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "10.0.0.1", {}, Kind::fixed},
      {"octet out of range", fixed, AddressMode::fixed, "192.168.1.256", "255.255.255.0", "192.168.1.1",
       "Invalid IP Address provided", Kind::nothing},
      {"address checked before mask", fixed, AddressMode::fixed, "1.2.3", "255.255.255.256", "x",
       "Invalid IP Address provided", Kind::nothing},
      {"bad mask", fixed, AddressMode::fixed, "10.0.0.5", "255.255.0", "10.0.0.1", "Invalid Subnet Mask provided",
       Kind::nothing},
      {"bad gateway", fixed, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "gateway", "Invalid Gateway provided",
       Kind::nothing},
      {"parsing before refusing", fixed, AddressMode::fixed, "127.0.0.1", "255.0.0.0", "", "Invalid Gateway provided",
       Kind::nothing},
      {"loopback address", fixed, AddressMode::fixed, "127.0.0.1", "255.0.0.0", "0.0.0.0", "IP Address not supported",
       Kind::nothing},
      {"multicast address", fixed, AddressMode::fixed, "239.1.1.1", "255.0.0.0", "0.0.0.0", "IP Address not supported",
       Kind::nothing},
      {"zero address", automatic, AddressMode::fixed, "0.0.0.0", "255.255.255.0", "0.0.0.0",
       "IP Address not supported", Kind::nothing},
      {"address refused before gateway", fixed, AddressMode::fixed, "224.0.0.1", "255.0.0.0", "224.0.0.1",
       "IP Address not supported", Kind::nothing},
      {"other loopback address", fixed, AddressMode::fixed, "127.0.0.2", "255.0.0.0", "0.0.0.0", {}, Kind::fixed},
      {"multicast gateway", fixed, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "224.0.0.1", "Gateway not supported",
       Kind::nothing},
      {"loopback gateway", fixed, AddressMode::fixed, "10.0.0.5", "255.0.0.0", "127.0.0.1", "Gateway not supported",
       Kind::nothing},
      {"any mask, other subnet", fixed, AddressMode::fixed, "10.0.0.5", "1.2.3.4", "192.168.7.7", {}, Kind::fixed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto decision = decideNetworkChange(c.current, c.mode, c.ip, c.subnet, c.gateway);
    EXPECT_EQ(decision.error, c.error);
    EXPECT_EQ(decision.change.kind, c.kind);
    if (c.kind == Kind::fixed) {
      EXPECT_EQ(decision.change.addressing, addressing(c.ip, c.subnet, c.gateway));
    }
  }
}

TEST(NetworkSettingsTest, TitleNamesTheDeviceOrItsAddress) {
  EXPECT_EQ(networkSettingsTitle("Stage Rack", "127.0.0.2"), "Network Settings for Stage Rack");
  EXPECT_EQ(networkSettingsTitle(std::nullopt, "127.0.0.2"), "Network Settings for 127.0.0.2");
}

}  // namespace
}  // namespace app
