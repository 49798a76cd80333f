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
  EXPECT_EQ(v4->description(), "lo");
  if (const auto v6 = find(Family::ipv6); v6 != interfaces.end()) {
    EXPECT_EQ(v6->address(), "::1");
    EXPECT_NE(v6->id(), v4->id());
  }
  for (const auto& entry : interfaces) EXPECT_NE(entry.family(), Family::other);
}

TEST(InterfaceTest, AddressBytesAndTexts) {
  using Bytes = std::vector<std::uint8_t>;
  const struct {
    Interface entry;
    std::optional<Bytes> bytes;
    const char* debug;
  } cases[] = {
      {Interface("en0", Family::ipv4, "192.168.1.20", "255.255.255.0", true, true, false, true, "192.168.1.255"),
       Bytes{192, 168, 1, 20}, "Interface name:en0 family:ipv4 ip:192.168.1.20 (up) (running)"},
      {Interface("en1", Family::ipv4, "10.0.0.1", false, std::nullopt), Bytes{10, 0, 0, 1},
       "Interface name:en1 family:ipv4 ip:10.0.0.1 (up) (running)"},
      {Interface("en2", Family::ipv4, "10.0.0.256", std::nullopt, false, false, false, false, std::nullopt),
       std::nullopt, "Interface name:en2 family:ipv4 ip:10.0.0.256 (down)(not running)"},
      {Interface("en3", Family::ipv6, "::1", std::nullopt, true, false, true, false, std::nullopt),
       Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "Interface name:en3 family:ipv6 ip:::1 (down) (running)"},
      {Interface("x", Family::other, "1.2.3.4", false, std::nullopt), std::nullopt,
       "Interface name:x family:other ip:1.2.3.4 (up) (running)"},
      {Interface("y", Family::ipv4, std::nullopt, false, std::nullopt), std::nullopt,
       "Interface name:y family:ipv4 (up) (running)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.entry.addressBytes(), c.bytes) << c.debug;
    EXPECT_EQ(c.entry.debugDescription(), c.debug);
  }
  EXPECT_FALSE(cases[1].entry.netmask());
  EXPECT_NE(cases[0].entry.id(), cases[1].entry.id());
  EXPECT_EQ(Interface::familyFromRaw(2), Family::other);
  EXPECT_FALSE(Interface::familyFromRaw(3) || Interface::familyFromRaw(-1));
}

}  // namespace
