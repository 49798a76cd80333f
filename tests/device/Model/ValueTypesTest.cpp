#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "device/Model/AppScreen.h"
#include "device/Model/BinauralType.h"
#include "device/Model/Clamped.h"
#include "device/Model/Color.h"
#include "device/Model/ConnectionMode.h"
#include "device/Model/DeviceType.h"
#include "device/Model/Hide.h"
#include "device/Model/IPv4Address.h"
#include "device/Model/PresetType.h"
#include "device/Model/RenderMode.h"
#include "device/Model/SoftwareVersion.h"
#include "device/Model/StereoType.h"

namespace {

using namespace device;
using V = DeviceType::Value;
using Count = std::optional<std::size_t>;

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

TEST(Color, ReadsAndWritesHexadecimalText) {
  const struct {
    const char* text;
    std::optional<Color> argb, rgb, rgba;
  } cases[] = {
      {"ff702482", Color(112, 36, 130, 255), Color(112, 36, 130, 255), Color(255, 112, 36, 130)},
      {"FF0000FF", Color(0, 0, 255, 255), Color(0, 0, 255, 255), Color(255, 0, 0, 255)},
      {"ff0000", Color(255, 0, 0, 0), Color(255, 0, 0, 255), Color(0, 255, 0, 0)},
      {"+ff", Color(0, 0, 255, 0), Color(0, 0, 255, 255), Color(0, 0, 0, 255)},
      {"-0", Color(0, 0, 0, 0), Color(0, 0, 0, 255), Color(0, 0, 0, 0)},
      {"000000000ff", Color(0, 0, 255, 0), Color(0, 0, 255, 255), Color(0, 0, 0, 255)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Color::fromArgbHex(c.text), c.argb) << c.text;
    EXPECT_EQ(Color::fromRgbHex(c.text), c.rgb) << c.text;
    EXPECT_EQ(Color::fromRgbaHex(c.text), c.rgba) << c.text;
  }
  for (const char* bad : {"#ff0000ff", "0xff", " ff", "ff ", "", "-1", "100000000", "+", "+-0", "fg"}) {
    EXPECT_EQ(Color::fromArgbHex(bad), std::nullopt) << bad;
  }
  const Color blue(0, 0, 255, 255);
  EXPECT_EQ(blue.argbHex() + " " + blue.rgbHex() + " " + blue.rgbaHex(), "ff0000ff 0000ff 0000ffff");
  EXPECT_EQ(Color(1, 2, 3, 4).description(), "04010203");
}

TEST(Color, HueSaturationAndBrightness) {
  EXPECT_EQ(Color(255, 0, 0, 255).hue(), 0.0f);
  EXPECT_EQ(Color(0, 255, 0, 255).hue(), 2 * 0.16666667f);
  EXPECT_EQ(Color(255, 0, 255, 255).hue(), 1 - 0.16666667f);
  EXPECT_EQ(Color(90, 90, 90, 255).hue(), 0.0f);
  EXPECT_EQ(Color(0, 0, 0, 255).saturation(), 0.0f);

  Color c(10, 200, 30, 7);
  c.setHue(1.5f);
  c.setSaturation(-0.1f);
  c.setBrightness(std::nanf(""));
  EXPECT_EQ(c, Color(10, 200, 30, 7));  // out-of-range values are ignored
  c = Color(255, 255, 255, 255);
  c.setBrightness(0.5f);
  EXPECT_EQ(c, Color(128, 128, 128, 255));  // 127.5 rounds up
  c = Color(255, 0, 0, 9);
  c.setHue(2 * 0.16666667f);
  EXPECT_EQ(c, Color(0, 255, 0, 9));
  EXPECT_EQ(Color(255, 0, 0, 40).rotatingHue(1.0f / 3), Color(0, 255, 0, 40));
  EXPECT_EQ(Color(0, 0, 255, 255).rotatingHue(0.5f), Color(255, 255, 0, 255));  // wraps past 1
}

TEST(Color, DefaultPaletteHasAllSixtyFourEntries) {
  std::istringstream expected(
      "702482 822473 822452 822430 823924 825a24 827b24 688224 478224 258224 248244 248265 247e82 245d82 "
      "243c82 2e2482 0000ff 2500ff 4b00ff 7000ff 9500ff bb00ff e000ff ff00f9 ff00d3 ff00ae ff0089 ff0064 "
      "ff003e ff0019 ff0c00 ff3200 ff5700 ff7c00 ffa200 ffc700 ffec00 ecff00 c7ff00 a2ff00 7cff00 57ff00 "
      "32ff00 0cff00 00ff19 00ff3e 00ff64 00ff89 00ffae 00ffd3 00fff9 00e0ff 00bbff 0095ff 0070ff 004bff "
      "000000 202020 404040 606060 808080 9f9f9f bfbfbf dfdfdf");
  const auto palette = Color::defaultPalette();
  ASSERT_EQ(palette.size(), 64u);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    std::string rgb;
    expected >> rgb;
    EXPECT_EQ(palette[i].rgbHex(), rgb) << "entry " << i;
    EXPECT_EQ(palette[i].a(), 255);
  }
  EXPECT_EQ(Color::paletteColor(64), palette[0]);
  EXPECT_EQ(Color::paletteColor(-1), palette[0]);
  EXPECT_EQ(Color::paletteColor(63), Color(223, 223, 223, 255));
  EXPECT_EQ(Color::firstPaletteColor(), palette[0]);
}

TEST(Color, OutOfRangeInputIsClampedBeforeConversion) {
  EXPECT_EQ(Color(-5, 300, 128, 1000), Color(0, 255, 128, 255));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(Color::fromHSV(nan, 1.0f, 1.0f, 255), Color(255, 0, 0, 255));  // hue counts as 0
  EXPECT_EQ(Color::fromHSV(-inf, 1.0f, 1.0f, 255), Color(255, 0, 0, 255));
  EXPECT_EQ(Color::fromHSV(0.0f, 2.0f, 7.0f, 255), Color(255, 0, 0, 255));      // clamped to 1
  EXPECT_EQ(Color::fromHSV(0.5f, nan, -3.0f, 1), Color(0, 0, 0, 1));            // count as 0
  EXPECT_EQ(Color::fromHSV(-0.25f, 1.0f, 1.0f, 255), Color(128, 0, 255, 255));  // only the fraction counts
  EXPECT_EQ(Color(255, 0, 0, 255).rotatingHue(nan), Color(255, 0, 0, 255));
}

// "raw mixes inputs code icon [processor]"
std::string row(const DeviceType& t) {
  using std::to_string;
  return t.description() + " " + to_string(t.numberOfMixes()) + " " + to_string(t.numberOfInputs()) + " " +
         to_string(numericCode(t.value())) + " " + iconName(t.value()) +
         (isProcessor(t.value()) ? " processor" : "");
}

TEST(DeviceType, ModelTableIgnoresTheCountOfFixedModels) {
  const std::string rows[] = {
      "VELTO:app 1 1 200 laptopcomputer",
      "VELTO:tamo 5 24 400 music.note.tv processor",
      "HXB-VELTO 16 64 2000 music.note.tv processor",
      "VELTO:zelvarine 16 128 3000 music.note.tv processor",
      "VELTO:sirel 12 64 5000 music.note.tv processor",
      "VELTO:sirel+ 12 64 5000 music.note.tv processor",
      "VELTO:rotaver 1 6 6000 gamecontroller",
      "VELTO:1 1 64 8000 music.note.tv processor",
      "VELTO:1pro 1 64 9000 music.note.tv processor",
  };
  for (const auto& expected : rows) {
    for (Count count : {Count{}, Count{3}}) {
      const auto type = DeviceType::make(expected.substr(0, expected.find(' ')), count);
      ASSERT_TRUE(type) << expected;
      EXPECT_EQ(row(*type), expected);
    }
  }
  EXPECT_EQ(DeviceType::zelvarine(), *DeviceType::make(V::zelvarine, 3));
  EXPECT_NE(DeviceType::sirel(), DeviceType::sirelPlus());
  for (const char* raw : {"VELTO-HXB", "hxb-velto", "VELTO:Sirel", "VELTO:sirel ", "VELTO:", ""}) {
    EXPECT_FALSE(DeviceType::make(raw, 4)) << raw;
  }
}

TEST(DeviceType, PelionInputsDependOnMixCount) {
  const std::size_t inputs[] = {56, 49, 41, 36, 34, 29, 26, 23, 21, 19, 17, 16, 15, 14, 13, 12};
  for (std::size_t mixes = 1; mixes <= 16; ++mixes) {
    const auto type = DeviceType::make("VELTO:pelion", mixes);
    ASSERT_TRUE(type) << mixes;
    EXPECT_EQ(type->numberOfInputs(), inputs[mixes - 1]);
    EXPECT_EQ(DeviceType::pelion(mixes), *type);
    EXPECT_EQ(type->description(), "VELTO:pelion");
  }
  for (Count count : {Count{0}, Count{17}, Count{}}) EXPECT_FALSE(DeviceType::make(V::pelion, count));
  EXPECT_THROW(DeviceType::pelion(0), std::out_of_range);
  EXPECT_THROW(DeviceType::pelion(17), std::out_of_range);
  EXPECT_NE(DeviceType::pelion(8), DeviceType::pelion(9));
}

}  // namespace
