#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "device/Model/SoftwareVersion.h"

namespace {

using device::SoftwareVersion;

TEST(SoftwareVersion, ParsesThreePieces) {
  struct Case {
    const char* text;
    std::optional<SoftwareVersion> version;
  };
  const Case cases[] = {
      {"5.7.13", SoftwareVersion(5, 7, 13)},
      {"05.07.013", SoftwareVersion(5, 7, 13)},
      {"+5.-0.255", SoftwareVersion(5, 0, 255)},
      {"5.7", std::nullopt},
      {"5.7.13.1", std::nullopt},
      {"5..13", std::nullopt},
      {"5.7.", std::nullopt},
      {".5.7", std::nullopt},
      {"5.7.256", std::nullopt},
      {"V5.7.13", std::nullopt},
      {"5.7.13 ", std::nullopt},
      {"5.-1.13", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SoftwareVersion::fromString(c.text), c.version);
  }
  EXPECT_EQ(SoftwareVersion::fromString("05.07.013")->description(), "5.7.13");
}

TEST(SoftwareVersion, PacksIntoDecimalInteger) {
  EXPECT_EQ(SoftwareVersion::current(), SoftwareVersion(5, 7, 13));
  EXPECT_EQ(SoftwareVersion::current().intValue(), 50713u);
  EXPECT_EQ(SoftwareVersion::current().description(), "5.7.13");
  struct Case {
    std::uint32_t value;
    std::optional<SoftwareVersion> version;
  };
  const Case cases[] = {
      {9999, std::nullopt},
      {1000000, std::nullopt},
      {10000, SoftwareVersion(1, 0, 0)},
      {999999, SoftwareVersion(99, 99, 99)},
      {50713, SoftwareVersion(5, 7, 13)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(SoftwareVersion::fromIntValue(c.value), c.version);
  }
  // Minor above 99 does not survive packing.
  EXPECT_EQ(SoftwareVersion::fromIntValue(SoftwareVersion(1, 100, 0).intValue()), SoftwareVersion(2, 0, 0));
}

TEST(SoftwareVersion, EqualityHashingAndCopy) {
  const SoftwareVersion v(5, 7, 13);
  EXPECT_NE(v, SoftwareVersion(5, 7, 12));
  EXPECT_EQ(std::hash<SoftwareVersion>{}(v), std::hash<SoftwareVersion>{}(SoftwareVersion(5, 7, 13)));
  EXPECT_EQ(v.deepCopy(), v);
  static_assert(device::DeepCopyable<SoftwareVersion>);
}

}  // namespace
