#include <gtest/gtest.h>

#include "device/Model/SoftwareVersion.h"

namespace {

using device::SoftwareVersion;

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
