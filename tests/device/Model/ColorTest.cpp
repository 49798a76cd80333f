#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "device/Model/Color.h"

namespace {

using device::Color;

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

}  // namespace
