#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/NumericLocale.h"

namespace {

using namespace platform;
using Limits = std::numeric_limits<double>;

void checkReadersAndWriters() {
  const std::pair<const char*, std::int64_t> ints[] = {{"+5", 5}, {"-42", -42}, {"007", 7},
      {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN}};
  for (const auto& [text, value] : ints) EXPECT_EQ(parseInt64(text), value) << text;
  for (const char* bad : {"", "+", "-", "5 ", " 5", "0x10", "1e3", "9223372036854775808",
                          "-9223372036854775809", "+-1", "1.0"}) {
    EXPECT_FALSE(parseInt64(bad)) << bad;
  }
  EXPECT_EQ(parseUInt64("-0"), 0u);
  EXPECT_EQ(parseUInt64("+5"), 5u);
  EXPECT_EQ(parseUInt64("18446744073709551615"), UINT64_MAX);
  for (const char* bad : {"-1", "18446744073709551616", "", "5 ", "-"})
    EXPECT_FALSE(parseUInt64(bad)) << bad;

  // strtod's grammar; out of range gives infinity or zero, not a failure.
  const std::pair<const char*, double> doubles[] = {{"1.5e3", 1500.0}, {"+2.5", 2.5},
      {"0x1p4", 16.0}, {"-.5", -0.5}, {"INFINITY", Limits::infinity()},
      {"-inf", -Limits::infinity()}, {"1e999", Limits::infinity()}, {"1e-999", 0.0}};
  for (const auto& [text, value] : doubles) EXPECT_EQ(parseDouble(text), value) << text;
  EXPECT_TRUE(std::isnan(*parseDouble("nan")));
  for (const char* bad : {"", "1,5", " 1", "\t1", "1 ", "abc", "1.5x", "."})
    EXPECT_FALSE(parseDouble(bad)) << bad;
  EXPECT_FALSE(parseDouble(std::string_view("1\0002", 3)));
  // Read straight to single precision: through double this text would round differently.
  EXPECT_EQ(parseFloat("1.00000005960464477539062500000001"), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(parseFloat("0.1"), 0.1f);
  EXPECT_FALSE(parseFloat("1,5"));

  EXPECT_EQ(formatFixed1(-12), "-12.0");
  EXPECT_EQ(formatFixed1(0.25), "0.2");  // round half to even on the binary value, as printf
  EXPECT_EQ(formatFixed1(0.35), "0.3");  // 0.35 is 0.34999... in binary
  const std::pair<double, const char*> shortest[] = {{-144.0, "-144.0"},
      {1.5707963267948966, "1.5707963267948966"}, {1e-05, "1e-05"}, {0.0001, "0.0001"},
      {0.0, "0.0"}, {-0.0, "-0.0"}, {1e16, "10000000000000000.0"}, {1e17, "1e+17"},
      {1.25e-7, "1.25e-07"}, {0x1.0p54, "18014398509481984.0"},
      {0x1.0000000000001p54, "1.8014398509481988e+16"}, {Limits::infinity(), "inf"},
      {-Limits::infinity(), "-inf"}};
  for (const auto& [value, text] : shortest) EXPECT_EQ(formatShortest(value), text) << text;
  EXPECT_EQ(formatShortest(0.1f), "0.1");
  EXPECT_EQ(formatShortest(-6.0f), "-6.0");
  // Whatever is written reads back to the same value.
  for (double v : {0.1, 1.0 / 3.0, 123456.789, 5e-324, 1.7976931348623157e308}) {
    EXPECT_EQ(parseDouble(formatShortest(v)), v);
  }
}

TEST(NumberText, ReadersAndWritersInCLocale) { checkReadersAndWriters(); }

TEST(NumberText, ReadersAndWritersIgnoreADecimalCommaLocale) {
  testsupport::NumericLocale locale;
  if (!locale.available()) GTEST_SKIP() << "no locale with a decimal comma installed (de_DE.UTF-8)";
  checkReadersAndWriters();
}

}  // namespace
