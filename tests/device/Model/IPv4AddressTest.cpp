#include <gtest/gtest.h>

#include <optional>

#include "device/Model/IPv4Address.h"

namespace {

using device::IPv4Address;

TEST(IPv4Address, ParsesDottedQuads) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> raw;
  };
  const Case cases[] = {
      {"192.168.0.10", 0xC0A8000Au},
      {"255.255.255.0", 0xFFFFFF00u},
      {"010.001.000.001", 0x0A010001u},
      {"1..2.3.4", 0x01020304u},
      {".1.2.3.4", 0x01020304u},
      {"1.2.3.4.", 0x01020304u},
      {"+1.2.3.4", 0x01020304u},
      {"-0.2.3.4", 0x00020304u},
      {"0.0.0.0", 0u},
      {"1.2.3", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {"256.1.1.1", std::nullopt},
      {"1.2.3.a", std::nullopt},
      {" 1.2.3.4", std::nullopt},
      {"", std::nullopt},
      {"-1.2.3.4", std::nullopt},
      {"1.2.3.0x4", std::nullopt},
      {"....", std::nullopt},
      {"1.2.3.+", std::nullopt},
      {"1.2.3.99999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto address = IPv4Address::fromString(c.text);
    ASSERT_EQ(address.has_value(), c.raw.has_value());
    if (address) {
      EXPECT_EQ(address->rawValue(), *c.raw);
    }
  }
}

TEST(IPv4Address, PrintsFourDecimalOctets) {
  EXPECT_EQ(IPv4Address(0xC0A80101u).description(), "192.168.1.1");
  EXPECT_EQ(IPv4Address::zero().description(), "0.0.0.0");
  EXPECT_EQ(IPv4Address(0xFFFFFFFFu).description(), "255.255.255.255");
  EXPECT_EQ(IPv4Address::fromString("192.168.0.10")->description(), "192.168.0.10");
}

TEST(IPv4Address, ClassifiesAddresses) {
  const auto at = [](const char* text) { return *IPv4Address::fromString(text); };
  EXPECT_EQ(IPv4Address::localhost().rawValue(), 0x7F000001u);
  EXPECT_TRUE(at("127.0.0.1").isLoopback());
  EXPECT_FALSE(at("127.0.0.2").isLoopback());
  EXPECT_TRUE(at("224.0.0.0").isMulticast());
  EXPECT_TRUE(at("239.255.255.255").isMulticast());
  EXPECT_FALSE(at("240.0.0.0").isMulticast());
  EXPECT_FALSE(at("223.255.255.255").isMulticast());
  EXPECT_TRUE(at("169.254.3.4").isLinkLocal());
  EXPECT_FALSE(at("169.253.3.4").isLinkLocal());
  EXPECT_TRUE(at("192.168.1.20").isInSameSubnet(at("192.168.1.200"), at("255.255.255.0")));
  EXPECT_FALSE(at("192.168.1.20").isInSameSubnet(at("192.168.1.200"), at("255.255.255.128")));
  EXPECT_EQ(at("10.0.0.1"), IPv4Address(0x0A000001u));
  EXPECT_NE(at("10.0.0.1"), at("10.0.0.2"));
}

}  // namespace
