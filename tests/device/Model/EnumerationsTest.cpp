#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "device/Model/AppScreen.h"
#include "device/Model/BinauralType.h"
#include "device/Model/ConnectionMode.h"
#include "device/Model/Hide.h"
#include "device/Model/PresetType.h"
#include "device/Model/RenderMode.h"
#include "device/Model/StereoType.h"

namespace {

using namespace device;

// Every case maps to its raw value and back, and describes itself as given.
template <typename E>
void expectCases(std::initializer_list<std::tuple<E, typename RawValueTraits<E>::Raw, const char*>> cases) {
  for (const auto& [value, raw, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(rawValue(value), raw);
    EXPECT_EQ(fromRawValue<E>(raw), value);
    EXPECT_EQ(description(value), text);
  }
}

TEST(DeviceEnumerations, RawValuesAndDescriptions) {
  expectCases<AppScreen>({{AppScreen::faders1, "FADERS1", "FADERS1"},
                          {AppScreen::stage2, "STAGE2", "STAGE2"},
                          {AppScreen::none, "NONE", "NONE"},
                          {AppScreen::channelDetails, "CHANNELDETAILS", "CHANNELDETAILS"}});
  expectCases<BinauralType>({{BinauralType::ortf185flat, "STEREOV3-185-flat", "STEREOV3-185-flat"},
                             {BinauralType::ortf300, "STEREOV3-300", "STEREOV3-300"},
                             {BinauralType::velto, "BINAURAL", "BINAURAL"}});
  expectCases<StereoType>({{StereoType::ortf185flat, "STEREOV3-185-flat", "STEREOV3-185-flat"},
                           {StereoType::velto1, "STEREO", "STEREO"},
                           {StereoType::velto2, "STEREOV2", "STEREOV2"},
                           {StereoType::brevan2, "STEREOB2", "STEREOB2"}});
  expectCases<PresetType>(
      {{PresetType::preset, "PRESET", "PRESET"}, {PresetType::userShow, "USER SHOW", "USER SHOW"}});
  expectCases<ConnectionMode>({{ConnectionMode::Musician, 10, "Musician"},
                               {ConnectionMode::PPM, 20, "PPM"},
                               {ConnectionMode::Technician, 30, "Technician"},
                               {ConnectionMode::Admin, 40, "Admin"},
                               {ConnectionMode::Remote, 90, "Remote"}});
  expectCases<Hide>({{Hide::hidden, 20, "hidden"}, {Hide::visible, 0, "visible"}});
  expectCases<RenderMode>({{RenderMode::mono, 1, "mono"},
                           {RenderMode::stereo, 2, "stereo"},
                           {RenderMode::threeD, 3, "3D"},
                           {RenderMode::iThreeD, 4, "i3D"}});
}

TEST(DeviceEnumerations, UnknownRawValuesGiveNoValue) {
  for (const char* raw : {"stereo", " STEREO", "STEREO ", "BINAURAL", ""}) {
    EXPECT_FALSE(fromRawValue<StereoType>(raw)) << raw;
  }
  EXPECT_FALSE(fromRawValue<BinauralType>("STEREO"));
  EXPECT_FALSE(fromRawValue<PresetType>("preset"));
  EXPECT_FALSE(fromRawValue<AppScreen>("Faders1"));
  for (std::int64_t raw : {0, 5, -1}) EXPECT_FALSE(fromRawValue<RenderMode>(raw)) << raw;
  for (std::int64_t raw : {1, 19, 21}) EXPECT_FALSE(fromRawValue<Hide>(raw)) << raw;
  for (std::int64_t raw : {25, 50, 60, 70, 80}) EXPECT_FALSE(fromRawValue<ConnectionMode>(raw)) << raw;
  static_assert(IntegerCoded<Hide> && TextCoded<StereoType>);
}

TEST(DeviceEnumerations, PresetTypeIsOneJsonString) {
  EXPECT_EQ(nlohmann::json(PresetType::userShow), nlohmann::json("USER SHOW"));
  EXPECT_EQ(nlohmann::json("USER SHOW").get<PresetType>(), PresetType::userShow);
  EXPECT_THROW(nlohmann::json("user show").get<PresetType>(), nlohmann::json::exception);
  EXPECT_THROW(nlohmann::json(3).get<PresetType>(), nlohmann::json::exception);
}

}  // namespace
