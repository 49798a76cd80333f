#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stdexcept>

#include "device/Model/AppScreen.h"
#include "device/Model/BinauralType.h"
#include "device/Model/Clamped.h"
#include "device/Model/ConnectionMode.h"
#include "device/Model/Hide.h"
#include "device/Model/IPv4Address.h"
#include "device/Model/PresetType.h"
#include "device/Model/RenderMode.h"
#include "device/Model/SoftwareVersion.h"
#include "device/Model/StereoType.h"

namespace {

using namespace device;

TEST(Clamped, ClampsEveryWriteInTwoComparisons) {
  const struct {
    double lower, upper, written, expected;
  } cases[] = {{-1, 1, 5.0, 1.0},      {-144, 12, -200.0, -144.0}, {-144, 12, 12.0, 12.0},
                {-144, 12, -144, -144}, {-1, 1, 0.25, 0.25},        {0, 1, -0.0, 0.0}};
  for (const auto& c : cases) {
    Clamped<double> field(0, c.lower, c.upper);
    field = c.written;
    EXPECT_EQ(field.get(), c.expected) << c.written;
    EXPECT_EQ(std::signbit(field.get()), std::signbit(c.expected)) << c.written;  // -0.0 becomes the bound
  }
  Clamped<double> field(0.5, 0.0, 1.0);
  field = std::nan("");
  EXPECT_TRUE(std::isnan(field.get()));
  EXPECT_EQ(Clamped<double>(0.0, 2.0, 3.0).get(), 2.0);  // creation clamps too
}

TEST(Clamped, InPlaceChangeIsClampedAlsoWhenItThrows) {
  Clamped<double> field(0.5, -1.0, 1.0);
  field.modify([](double& v) { v += 1.0; });
  EXPECT_EQ(field.get(), 1.0);
  const auto leaveEarly = [](double& v) {
    v = -7.0;
    throw std::runtime_error("stop");
  };
  EXPECT_THROW(field.modify(leaveEarly), std::runtime_error);
  EXPECT_EQ(field.get(), -1.0);
}

TEST(DeviceEnumerations, RawValuesMatchExactly) {
  EXPECT_EQ(fromRawValue<StereoType>("STEREOV3-185-flat"), StereoType::ortf185flat);
  EXPECT_EQ(fromRawValue<BinauralType>("STEREOV3-185-flat"), BinauralType::ortf185flat);
  EXPECT_EQ(fromRawValue<BinauralType>("BINAURAL"), BinauralType::velto);
  EXPECT_EQ(fromRawValue<StereoType>("STEREO"), StereoType::velto1);
  EXPECT_EQ(rawValue(StereoType::velto2), "STEREOV2");
  EXPECT_EQ(rawValue(AppScreen::channelDetails), "CHANNELDETAILS");
  EXPECT_EQ(fromRawValue<PresetType>("USER SHOW"), PresetType::userShow);
  for (const char* raw : {"stereo", " STEREO", "STEREO ", "BINAURAL", ""}) {
    EXPECT_FALSE(fromRawValue<StereoType>(raw)) << raw;
  }
  EXPECT_FALSE(fromRawValue<BinauralType>("STEREO"));
  EXPECT_FALSE(fromRawValue<PresetType>("preset"));

  EXPECT_EQ(fromRawValue<Hide>(20), Hide::hidden);
  EXPECT_EQ(fromRawValue<Hide>(0), Hide::visible);
  EXPECT_EQ(fromRawValue<ConnectionMode>(90), ConnectionMode::Remote);
  EXPECT_EQ(rawValue(ConnectionMode::Admin), 40);
  EXPECT_EQ(rawValue(RenderMode::iThreeD), 4);
  for (std::int64_t raw : {0, 5}) EXPECT_FALSE(fromRawValue<RenderMode>(raw)) << raw;
  EXPECT_FALSE(fromRawValue<Hide>(1));
  for (std::int64_t raw : {25, 50, 60, 70, 80}) EXPECT_FALSE(fromRawValue<ConnectionMode>(raw)) << raw;
}

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

TEST(SoftwareVersion, ParsesThreePieces) {
  for (const char* bad :
       {"5.7", "5.7.13.1", "5..13", "5.7.", ".5.7", "5.7.256", "V5.7.13", "5.7.13 ", "5.-1.13", ""}) {
    EXPECT_EQ(SoftwareVersion::fromString(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(SoftwareVersion::fromString("5.7.13"), SoftwareVersion(5, 7, 13));
  EXPECT_EQ(SoftwareVersion::fromString("+5.-0.255"), SoftwareVersion(5, 0, 255));
  EXPECT_EQ(SoftwareVersion::fromString("05.07.013")->description(), "5.7.13");
}

TEST(SoftwareVersion, PacksIntoDecimalInteger) {
  EXPECT_EQ(SoftwareVersion::current().intValue(), 50713u);
  EXPECT_EQ(SoftwareVersion::current().description(), "5.7.13");
  for (unsigned bad : {9999u, 1000000u}) EXPECT_EQ(SoftwareVersion::fromIntValue(bad), std::nullopt) << bad;
  EXPECT_EQ(SoftwareVersion::fromIntValue(10000), SoftwareVersion(1, 0, 0));
  EXPECT_EQ(SoftwareVersion::fromIntValue(999999), SoftwareVersion(99, 99, 99));
  EXPECT_EQ(SoftwareVersion::fromIntValue(SoftwareVersion(1, 100, 0).intValue()), SoftwareVersion(2, 0, 0));
  EXPECT_NE(SoftwareVersion(5, 7, 13), SoftwareVersion(5, 7, 12));
}

}  // namespace
