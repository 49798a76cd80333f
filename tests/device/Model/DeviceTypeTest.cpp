#include <gtest/gtest.h>

#include <stdexcept>

#include "device/Model/DeviceType.h"

namespace {

using device::DeviceType;
using V = DeviceType::Value;
using Count = std::optional<std::size_t>;

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
