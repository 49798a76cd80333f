#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/NumericLocale.h"

namespace {

using platform::formatFixed1;
using platform::formatShortest;
using platform::parseDouble;
using platform::parseFloat;
using platform::parseInt64;
using platform::parseUInt64;

void checkIntegerReaders() {
  EXPECT_EQ(parseInt64("+5"), 5);
  EXPECT_EQ(parseInt64("-42"), -42);
  EXPECT_EQ(parseInt64("007"), 7);
  EXPECT_EQ(parseInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parseInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  for (const char* bad : {"", "+", "-", "5 ", " 5", "0x10", "1e3", "9223372036854775808",
                          "-9223372036854775809", "+-1", "1.0"}) {
    EXPECT_FALSE(parseInt64(bad)) << bad;
  }
  EXPECT_EQ(parseUInt64("-0"), 0u);
  EXPECT_EQ(parseUInt64("+5"), 5u);
  EXPECT_EQ(parseUInt64("18446744073709551615"), std::numeric_limits<std::uint64_t>::max());
  for (const char* bad : {"-1", "18446744073709551616", "", "5 ", "-"}) {
    EXPECT_FALSE(parseUInt64(bad)) << bad;
  }
}

void checkFloatingReaders() {
  EXPECT_EQ(parseDouble("1.5e3"), 1500.0);
  EXPECT_EQ(parseDouble("+2.5"), 2.5);
  EXPECT_EQ(parseDouble("0x1p4"), 16.0);
  EXPECT_EQ(parseDouble("-.5"), -0.5);
  EXPECT_EQ(parseDouble("INFINITY"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseDouble("-inf"), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(*parseDouble("nan")));
  EXPECT_EQ(parseDouble("1e999"), std::numeric_limits<double>::infinity());  // out of range: not a failure
  EXPECT_EQ(parseDouble("1e-999"), 0.0);
  for (const char* bad : {"", "1,5", " 1", "\t1", "1 ", "abc", "1.5x", "."}) {
    EXPECT_FALSE(parseDouble(bad)) << bad;
  }
  EXPECT_FALSE(parseDouble(std::string_view("1\0002", 3)));
  // Read straight to single precision: through double this text would round differently.
  EXPECT_EQ(parseFloat("1.00000005960464477539062500000001"), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(parseFloat("0.1"), 0.1f);
  EXPECT_FALSE(parseFloat("1,5"));
}

void checkWriters() {
  EXPECT_EQ(formatFixed1(0.5), "0.5");
  EXPECT_EQ(formatFixed1(-12), "-12.0");
  EXPECT_EQ(formatFixed1(0.25), "0.2");  // round half to even on the binary value, as printf
  EXPECT_EQ(formatFixed1(0.35), "0.3");  // 0.35 is 0.34999... in binary
  const std::pair<double, const char*> cases[] = {
      {-144.0, "-144.0"},
      {1.5707963267948966, "1.5707963267948966"},
      {1e-05, "1e-05"},
      {0.0001, "0.0001"},
      {0.1, "0.1"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {100.0, "100.0"},
      {1e16, "10000000000000000.0"},
      {1e17, "1e+17"},
      {1.25e-7, "1.25e-07"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(formatShortest(value), text) << text;
  EXPECT_EQ(formatShortest(0.1f), "0.1");
  EXPECT_EQ(formatShortest(-6.0f), "-6.0");
  // Whatever is written reads back to the same value.
  for (double v : {0.1, 1.0 / 3.0, 123456.789, 5e-324, 1.7976931348623157e308}) {
    EXPECT_EQ(parseDouble(formatShortest(v)), v);
  }
}

TEST(NumberText, ReadersAndWritersInCLocale) {
  checkIntegerReaders();
  checkFloatingReaders();
  checkWriters();
}

TEST(NumberText, ReadersAndWritersIgnoreADecimalCommaLocale) {
  testsupport::NumericLocale locale;
  if (!locale.available()) GTEST_SKIP() << "no locale with a decimal comma installed (de_DE.UTF-8)";
  checkIntegerReaders();
  checkFloatingReaders();
  checkWriters();
}

}  // namespace
