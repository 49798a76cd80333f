#include "net/Interface.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using net::Interface;
using Family = Interface::Family;

TEST(InterfaceTest, LoopbackIsListedOncePerAddress) {
  const auto interfaces = Interface::allInterfaces();
  const auto find = [&](Family family) {
    return std::find_if(interfaces.begin(), interfaces.end(),
                        [&](const Interface& i) { return i.name() == "lo" && i.family() == family; });
  };
  const auto v4 = find(Family::ipv4);
  ASSERT_NE(v4, interfaces.end());
  EXPECT_EQ(v4->address(), "127.0.0.1");
  EXPECT_EQ(v4->netmask(), "255.0.0.0");
  EXPECT_FALSE(v4->broadcastAddress());
  EXPECT_TRUE(v4->isLoopback() && v4->isUp());
  if (const auto v6 = find(Family::ipv6); v6 != interfaces.end()) {
    EXPECT_EQ(v6->address(), "::1");
    EXPECT_NE(v6->id(), v4->id());
  }
  for (const auto& entry : interfaces) EXPECT_NE(entry.family(), Family::other);
}

TEST(InterfaceTest, AddressBytes) {
  using Bytes = std::vector<std::uint8_t>;
  const std::pair<Interface, std::optional<Bytes>> cases[] = {
      {Interface("en0", Family::ipv4, "192.168.1.20", "255.255.255.0", true, true, false, true, "192.168.1.255"),
       Bytes{192, 168, 1, 20}},
      {Interface("en1", Family::ipv4, "10.0.0.1", false, std::nullopt), Bytes{10, 0, 0, 1}},
      {Interface("en2", Family::ipv4, "10.0.0.256", false, std::nullopt), std::nullopt},
      {Interface("en3", Family::ipv6, "::1", false, std::nullopt), Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {Interface("x", Family::other, "1.2.3.4", false, std::nullopt), std::nullopt},
      {Interface("y", Family::ipv4, std::nullopt, false, std::nullopt), std::nullopt},
  };
  for (const auto& [entry, bytes] : cases) EXPECT_EQ(entry.addressBytes(), bytes) << entry.name();
  EXPECT_NE(cases[0].first.id(), cases[1].first.id());
  EXPECT_EQ(Interface::familyFromRaw(2), Family::other);
  EXPECT_FALSE(Interface::familyFromRaw(3) || Interface::familyFromRaw(-1));
}

}  // namespace
