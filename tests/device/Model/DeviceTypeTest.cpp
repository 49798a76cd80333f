#include <gtest/gtest.h>

#include <stdexcept>

#include "device/Model/DeviceType.h"

namespace {

using device::DeviceType;
using V = DeviceType::Value;

TEST(DeviceType, ModelTable) {
  struct Case {
    V value;
    const char* raw;
    std::size_t mixes, inputs;
    int code;
    bool processor;
    const char* icon;
  };
  const Case cases[] = {
      {V::app, "VELTO:app", 1, 1, 200, false, "laptopcomputer"},
      {V::tamo, "VELTO:tamo", 5, 24, 400, true, "music.note.tv"},
      {V::hxb, "HXB-VELTO", 16, 64, 2000, true, "music.note.tv"},
      {V::zelvarine, "VELTO:zelvarine", 16, 128, 3000, true, "music.note.tv"},
      {V::sirel, "VELTO:sirel", 12, 64, 5000, true, "music.note.tv"},
      {V::sirelPlus, "VELTO:sirel+", 12, 64, 5000, true, "music.note.tv"},
      {V::rotaver, "VELTO:rotaver", 1, 6, 6000, false, "gamecontroller"},
      {V::one, "VELTO:1", 1, 64, 8000, true, "music.note.tv"},
      {V::onePro, "VELTO:1pro", 1, 64, 9000, true, "music.note.tv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    for (std::optional<std::size_t> count : {std::optional<std::size_t>{}, std::optional<std::size_t>{3}}) {
      const auto type = DeviceType::make(c.raw, count);  // the count is ignored
      ASSERT_TRUE(type);
      EXPECT_EQ(type->value(), c.value);
      EXPECT_EQ(type->numberOfMixes(), c.mixes);
      EXPECT_EQ(type->numberOfInputs(), c.inputs);
      EXPECT_EQ(type->description(), c.raw);
    }
    EXPECT_EQ(numericCode(c.value), c.code);
    EXPECT_EQ(isProcessor(c.value), c.processor);
    EXPECT_EQ(iconName(c.value), c.icon);
  }
  EXPECT_EQ(DeviceType::zelvarine(), *DeviceType::make(V::zelvarine, 3));
  EXPECT_EQ(DeviceType::app(), *DeviceType::make("VELTO:app", std::nullopt));
  EXPECT_EQ(DeviceType::rotaver(), *DeviceType::make(V::rotaver, std::nullopt));
  EXPECT_NE(DeviceType::sirel(), DeviceType::sirelPlus());
  EXPECT_TRUE(isProcessor(V::pelion));
}

TEST(DeviceType, PelionInputsDependOnMixCount) {
  const std::size_t inputs[] = {56, 49, 41, 36, 34, 29, 26, 23, 21, 19, 17, 16, 15, 14, 13, 12};
  for (std::size_t mixes = 1; mixes <= 16; ++mixes) {
    const auto type = DeviceType::make("VELTO:pelion", mixes);
    ASSERT_TRUE(type) << mixes;
    EXPECT_EQ(type->numberOfMixes(), mixes);
    EXPECT_EQ(type->numberOfInputs(), inputs[mixes - 1]);
    EXPECT_EQ(DeviceType::pelion(mixes), *type);
    EXPECT_EQ(type->description(), "VELTO:pelion");
  }
  EXPECT_FALSE(DeviceType::make(V::pelion, 0));
  EXPECT_FALSE(DeviceType::make(V::pelion, 17));
  EXPECT_FALSE(DeviceType::make(V::pelion, std::nullopt));
  EXPECT_THROW(DeviceType::pelion(0), std::out_of_range);
  EXPECT_THROW(DeviceType::pelion(17), std::out_of_range);
  EXPECT_NE(DeviceType::pelion(8), DeviceType::pelion(9));
}

TEST(DeviceType, RawStringsMatchExactly) {
  for (const char* raw : {"VELTO-HXB", "hxb-velto", "VELTO:Sirel", "VELTO:sirel ", "VELTO:", ""}) {
    EXPECT_FALSE(DeviceType::make(raw, 4)) << raw;
    EXPECT_FALSE(device::fromRawValue<V>(raw)) << raw;
  }
  EXPECT_EQ(device::fromRawValue<V>("VELTO:sirel+"), V::sirelPlus);
  EXPECT_EQ(device::rawValue(V::one), "VELTO:1");
}

}  // namespace
