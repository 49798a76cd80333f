#include <gtest/gtest.h>

#include "device/Model/AppScreen.h"
#include "device/Model/BinauralType.h"
#include "device/Model/ConnectionMode.h"
#include "device/Model/Hide.h"
#include "device/Model/PresetType.h"
#include "device/Model/RenderMode.h"
#include "device/Model/StereoType.h"

namespace {

using namespace device;

TEST(DeviceEnumerations, RawValuesMatchExactlyAndDescribe) {
  EXPECT_EQ(fromRawValue<StereoType>("STEREOV3-185-flat"), StereoType::ortf185flat);
  EXPECT_EQ(fromRawValue<BinauralType>("STEREOV3-185-flat"), BinauralType::ortf185flat);
  EXPECT_EQ(fromRawValue<BinauralType>("BINAURAL"), BinauralType::velto);
  EXPECT_EQ(fromRawValue<StereoType>("STEREO"), StereoType::velto1);
  EXPECT_EQ(rawValue(StereoType::velto2), "STEREOV2");
  EXPECT_EQ(rawValue(AppScreen::channelDetails), "CHANNELDETAILS");
  EXPECT_EQ(fromRawValue<PresetType>("USER SHOW"), PresetType::userShow);
  for (const char* raw : {"stereo", " STEREO", "STEREO ", "BINAURAL", ""}) {
    EXPECT_FALSE(fromRawValue<StereoType>(raw)) << raw;
  }
  EXPECT_FALSE(fromRawValue<BinauralType>("STEREO"));
  EXPECT_FALSE(fromRawValue<PresetType>("preset"));

  EXPECT_EQ(fromRawValue<Hide>(20), Hide::hidden);
  EXPECT_EQ(fromRawValue<Hide>(0), Hide::visible);
  EXPECT_EQ(fromRawValue<ConnectionMode>(90), ConnectionMode::Remote);
  EXPECT_EQ(rawValue(ConnectionMode::Admin), 40);
  EXPECT_EQ(rawValue(RenderMode::iThreeD), 4);
  for (std::int64_t raw : {0, 5}) EXPECT_FALSE(fromRawValue<RenderMode>(raw)) << raw;
  EXPECT_FALSE(fromRawValue<Hide>(1));
  for (std::int64_t raw : {25, 50, 60, 70, 80}) EXPECT_FALSE(fromRawValue<ConnectionMode>(raw)) << raw;
  EXPECT_EQ(description(RenderMode::threeD), "3D");
  EXPECT_EQ(description(RenderMode::iThreeD), "i3D");
  EXPECT_EQ(description(ConnectionMode::PPM), "PPM");
  EXPECT_EQ(description(StereoType::ortf300), "STEREOV3-300");
}

}  // namespace
