#include <gtest/gtest.h>

#include <optional>

#include "device/Model/IPv4Address.h"

namespace {

using device::IPv4Address;

std::optional<std::uint32_t> raw(const char* text) {
  const auto address = IPv4Address::fromString(text);
  return address ? std::optional(address->rawValue()) : std::nullopt;
}

TEST(IPv4Address, ParsesAndPrintsDottedQuads) {
  for (const char* bad : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.a", " 1.2.3.4", "", "-1.2.3.4",
                          "1.2.3.0x4", "....", "1.2.3.+", "1.2.3.99999999999999999999"}) {
    EXPECT_EQ(raw(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(raw("192.168.0.10"), 0xC0A8000Au);
  EXPECT_EQ(raw("255.255.255.0"), 0xFFFFFF00u);
  EXPECT_EQ(raw("010.001.000.001"), 0x0A010001u);  // decimal, not octal
  for (const char* same : {"1..2.3.4", ".1.2.3.4", "1.2.3.4.", "+1.2.3.4"}) EXPECT_EQ(raw(same), 0x01020304u);
  EXPECT_EQ(raw("-0.2.3.4"), 0x00020304u);
  EXPECT_EQ(IPv4Address::zero().description() + " " + IPv4Address(0xFFFFFFFFu).description(),
            "0.0.0.0 255.255.255.255");
}

TEST(IPv4Address, ClassifiesAddresses) {
  const auto at = [](const char* text) { return *IPv4Address::fromString(text); };
  EXPECT_EQ(IPv4Address::localhost(), at("127.0.0.1"));
  EXPECT_TRUE(at("127.0.0.1").isLoopback());
  EXPECT_FALSE(at("127.0.0.2").isLoopback());
  EXPECT_TRUE(at("224.0.0.0").isMulticast());
  EXPECT_TRUE(at("239.255.255.255").isMulticast());
  EXPECT_FALSE(at("240.0.0.0").isMulticast());
  EXPECT_TRUE(at("169.254.3.4").isLinkLocal());
  EXPECT_FALSE(at("169.253.3.4").isLinkLocal());
  EXPECT_TRUE(at("192.168.1.20").isInSameSubnet(at("192.168.1.200"), at("255.255.255.0")));
  EXPECT_FALSE(at("192.168.1.20").isInSameSubnet(at("192.168.1.200"), at("255.255.255.128")));
}

}  // namespace
