#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "device/Model/Clamped.h"

namespace {

using device::Clamped;

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

}  // namespace
