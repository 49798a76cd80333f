#include <gtest/gtest.h>

#include <stdexcept>

#include "device/Model/DeviceType.h"

namespace {

using device::DeviceType;
using V = DeviceType::Value;

TEST(DeviceType, ModelTableIgnoresTheCountOfFixedModels) {
  struct Case {
    const char* raw;
    std::size_t mixes, inputs;
    int code;
    const char* icon;
  };
  const Case cases[] = {
      {"VELTO:app", 1, 1, 200, "laptopcomputer"},      {"VELTO:tamo", 5, 24, 400, "music.note.tv"},
      {"HXB-VELTO", 16, 64, 2000, "music.note.tv"},    {"VELTO:zelvarine", 16, 128, 3000, "music.note.tv"},
      {"VELTO:sirel", 12, 64, 5000, "music.note.tv"},  {"VELTO:sirel+", 12, 64, 5000, "music.note.tv"},
      {"VELTO:rotaver", 1, 6, 6000, "gamecontroller"}, {"VELTO:1", 1, 64, 8000, "music.note.tv"},
      {"VELTO:1pro", 1, 64, 9000, "music.note.tv"},
  };
  for (const Case& c : cases) {
    for (std::optional<std::size_t> count : {std::optional<std::size_t>{}, std::optional<std::size_t>{3}}) {
      const auto type = DeviceType::make(c.raw, count);
      ASSERT_TRUE(type) << c.raw;
      EXPECT_EQ(type->numberOfMixes(), c.mixes) << c.raw;
      EXPECT_EQ(type->numberOfInputs(), c.inputs) << c.raw;
      EXPECT_EQ(type->description(), c.raw);
      EXPECT_EQ(numericCode(type->value()), c.code) << c.raw;
      EXPECT_EQ(iconName(type->value()), c.icon) << c.raw;
      EXPECT_EQ(isProcessor(type->value()), std::string(c.icon) == "music.note.tv") << c.raw;
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
  for (auto count :
       {std::optional<std::size_t>{0}, std::optional<std::size_t>{17}, std::optional<std::size_t>{}}) {
    EXPECT_FALSE(DeviceType::make(V::pelion, count));
  }
  EXPECT_THROW(DeviceType::pelion(0), std::out_of_range);
  EXPECT_THROW(DeviceType::pelion(17), std::out_of_range);
  EXPECT_NE(DeviceType::pelion(8), DeviceType::pelion(9));
}

}  // namespace
