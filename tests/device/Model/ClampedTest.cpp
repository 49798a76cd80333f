#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "device/Model/Clamped.h"

namespace {

using device::Clamped;

TEST(Clamped, ClampsEveryWrite) {
  struct Case {
    double lower, upper, written, expected;
  };
  const Case cases[] = {
      {-1, 1, 5.0, 1.0},      {-144, 12, -200.0, -144.0}, {-144, 12, 12.0, 12.0},
      {-144, 12, -144, -144}, {-1, 1, 0.25, 0.25},        {-1, 1, -1e300, -1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    Clamped<double> field(0, c.lower, c.upper);
    field = c.written;
    EXPECT_EQ(field.get(), c.expected);
  }
}

TEST(Clamped, NegativeZeroBecomesTheBoundAndNaNPasses) {
  Clamped<double> field(0.5, 0.0, 1.0);
  field = -0.0;
  EXPECT_FALSE(std::signbit(field.get()));
  field = std::nan("");
  EXPECT_TRUE(std::isnan(field.get()));
}

TEST(Clamped, InPlaceChangeIsClampedAlsoWhenItThrows) {
  Clamped<double> field(0.5, -1.0, 1.0);
  field.modify([](double& v) { v += 1.0; });
  EXPECT_EQ(field.get(), 1.0);
  EXPECT_THROW(field.modify([](double& v) {
    v = -7.0;
    throw std::runtime_error("stop");
  }),
               std::runtime_error);
  EXPECT_EQ(field.get(), -1.0);
}

TEST(Clamped, ByteComponentAcceptsEveryValueAndCopiesAreIndependent) {
  Clamped<std::uint8_t> component(0, 0, 255);
  for (int v = 0; v <= 255; ++v) {
    component = static_cast<std::uint8_t>(v);
    ASSERT_EQ(component.get(), v);
  }
  Clamped<double> original(0.0, 2.0, 3.0);  // creation clamps too
  EXPECT_EQ(original.get(), 2.0);
  Clamped<double> copy = original;
  copy = 2.5;
  EXPECT_EQ(original.get(), 2.0);
  EXPECT_EQ(copy.lowerBound(), 2.0);
  EXPECT_EQ(copy.upperBound(), 3.0);
}

}  // namespace
