#include <gtest/gtest.h>

#include <string>

#include "device/Clients/OSCEnumerationValue.h"
#include "tests/osc/CodecTesting.h"

namespace {

using namespace device;
using osc::OSCValue;
using osc::test::chars;
using osc::test::errorText;
using osc::test::hex;

// Every case of the table travels out and back as itself, with its tag and size.
template <auto& Cases>
void expectRoundTrips(char tag) {
  for (const auto& row : Cases) {
    const OSCValue value = toOSCValue(row.value);
    EXPECT_EQ(value.typeTag().rawValue, tag);
    EXPECT_EQ(value.paddedSize(), value.data().size());
    EXPECT_EQ(decodeOSCValue<decltype(row.value)>(value.data()), row.value) << value.description();
  }
}

TEST(OSCEnumerationValue, EveryCaseRoundTripsThroughItsBytes) {
  expectRoundTrips<kBinauralTypeCases>('s');
  expectRoundTrips<kStereoTypeCases>('s');
  expectRoundTrips<kRenderModeCases>('i');
  expectRoundTrips<kHideCases>('i');
  EXPECT_EQ(toOSCValue(RenderMode::threeD).data(), hex("00 00 00 03"));
  EXPECT_EQ(toOSCValue(Hide::hidden).data(), hex("00 00 00 14"));
  EXPECT_EQ(toOSCValue(Hide::visible).data(), hex("00 00 00 00"));
  EXPECT_EQ(toOSCValue(BinauralType::velto).paddedSize(), 12u);
  EXPECT_EQ(toOSCValue(StereoType::velto1).data(), chars(std::string("STEREO\0\0", 8)));
}

template <typename E>
std::string decoded(const std::vector<std::uint8_t>& bytes) {
  std::string result;
  const std::string error = errorText([&] { result = description(decodeOSCValue<E>(bytes)); });
  return error == "no error" ? result : error;
}

TEST(OSCEnumerationValue, RawValuesThatNameNoCaseAreEncodingErrors) {
  const std::string encoding = "An OSC value is not valid.", size = "An OSC value is cut short.";
  const auto text = [](const char* s) { return OSCValue::string(s).data(); };
  const std::pair<std::string, std::string> cases[] = {
      {decoded<StereoType>(text("stereov3-185")), encoding}, {decoded<BinauralType>(text("STEREO")), encoding},
      {decoded<StereoType>(text("BINAURAL")), encoding},
      {decoded<StereoType>(chars("STEREO")), encoding},  // no terminator: the string reader's error
      {decoded<RenderMode>(hex("00 00 00 00")), encoding}, {decoded<RenderMode>(hex("00 00 00 05")), encoding},
      {decoded<RenderMode>(hex("FF FF FF FF")), encoding}, {decoded<RenderMode>(hex("00 00 01")), size},
      {decoded<RenderMode>(hex("00 00 00 01 FF")), "mono"},  // reads the first four bytes
      {decoded<Hide>(hex("00 00 00 01")), encoding}, {decoded<Hide>(hex("00 00")), size},
  };
  for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(OSCEnumerationValue, ReceivedValuesConvertByKind) {
  EXPECT_EQ(fromOSCValue<RenderMode>(OSCValue::nativeInt(2)), RenderMode::stereo);
  for (const OSCValue& value : {OSCValue::float_(2.0f), OSCValue::int64(2), OSCValue::string("2"),
                                OSCValue::nativeInt(4294967298)}) {
    EXPECT_EQ(errorText([&] { fromOSCValue<RenderMode>(value); }), "An OSC value is not valid.")
        << value.description();
  }
  EXPECT_FALSE(asEnumeration<BinauralType>(OSCValue::int32(0)));
}

}  // namespace
