#include <gtest/gtest.h>

#include <functional>
#include <variant>

#include "osc/OSCMessage.h"
#include "tests/osc/Bytes.h"

namespace osc {
namespace {

using test::hex;

TEST(OSCMessage, EncodesAndDecodesByteExactly) {
  const auto message = *OSCMessage::make("/ab", {OSCValue::int32(1), OSCValue::string("x")});
  const auto bytes = hex("2F 61 62 00 2C 69 73 00 00 00 00 01 78 00 00 00");
  EXPECT_EQ(message.data(), bytes);
  EXPECT_EQ(message.size(), 16u);
  EXPECT_EQ(OSCMessage::decode(bytes), message);

  const auto empty = *OSCMessage::make("/abc");
  EXPECT_EQ(empty.data(), hex("2F 61 62 63 00 00 00 00 2C 00 00 00"));
  EXPECT_TRUE(OSCMessage::decode(empty.data()).values().empty());

  const auto booleans = OSCMessage::decode(hex("2F 61 00 00 2C 54 46 00"));
  EXPECT_EQ(booleans.address().address(), "/a");
  EXPECT_EQ(booleans.values(), (std::vector<OSCValue>{OSCValue::boolean(true), OSCValue::boolean(false)}));
}

TEST(OSCMessage, RoundTripsEveryKindAndIgnoresTrailingBytes) {
  const auto message = *OSCMessage::make(
      "/VELTOpelion/control/presetSeg",
      {OSCValue::int32(-7), OSCValue::int64(1LL << 40), OSCValue::float_(0.5f), OSCValue::string("n\xC3\xA9"),
       OSCValue::blob({9, 8, 7}), OSCValue::timetag(1), OSCValue::boolean(true), OSCValue::boolean(false)});
  auto bytes = message.data();
  EXPECT_EQ(bytes.size(), message.size());
  bytes.insert(bytes.end(), 8, 0xEE);
  EXPECT_EQ(OSCMessage::decode(bytes), message);

  // A native integer travels as "i" and comes back as a 32-bit integer.
  const auto native = *OSCMessage::make("/n", {OSCValue::nativeInt(-2)});
  EXPECT_EQ(OSCMessage::decode(native.data()).values(), std::vector<OSCValue>{OSCValue::int32(-2)});
  const auto fresh = OSCMessage::decode(native.data());
  EXPECT_FALSE(fresh.endpoint());
  EXPECT_FALSE(fresh.receiveTime());
}

using AnyError = std::variant<OSCMessageError, OSCTypeTagStringError, OSCValueError>;

AnyError errorOf(const std::vector<std::uint8_t>& bytes) {
  try {
    OSCMessage::decode(bytes);
  } catch (const OSCMessageError& e) {
    return e;
  } catch (const OSCTypeTagStringError& e) {
    return e;
  } catch (const OSCValueError& e) {
    return e;
  }
  ADD_FAILURE() << "decoded without an error";
  return OSCValueError::sizeError();
}

TEST(OSCMessage, ReportsEachMalformedCaseWithItsError) {
  using M = OSCMessageError;
  using T = OSCTypeTagStringError;
  using V = OSCValueError;
  const std::string nonAscii(M::nonAsciiAddressText);
  const std::pair<const char*, AnyError> cases[] = {
      {"2F 61 00 00 2C 69 00 00 00 00 00", M::invalidSize()},  // 15 bytes
      {"", M::malformedAddress("")},
      {"2F 80 00 00 2C 00 00 00", M::malformedMessage(nonAscii)},
      {"61 62 00 00 2C 00 00 00", M::malformedAddress("ab")},
      {"2F 61 20 00 2C 00 00 00", M::malformedAddress("/a ")},
      {"2F 61 00 00 2C 69 00 00", V::sizeError()},
      {"2F 61 00 00 2C 78 00 00", T::unkownTypeTag('x')},
      {"2F 61 00 00 69 00 00 00", T::unkownBeginningCharacter()},
      {"2F 61 00 00 00 00 00 00", T::unkownBeginningCharacter()},
      {"2F 61 00 00 2C 69 FF 00", T::malformedData()},
      {"2F 61 00 00 2C 73 00 00 61 62 63 64", V::encodingError()},
      // Running past the end of the datagram: an address without its 0 byte, a type tag string
      // without its 0 byte.
      {"2F 61 62 63", M::invalidSize()},
      {"2F 61 00 00 2C 69 69 69", T::malformedData()},
      {"2F 61 00 00 2C 54 54 54", T::malformedData()},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(errorOf(hex(bytes)), expected) << bytes;
  }
}

TEST(OSCMessage, DatagramEndingAfterTheAddressHasNoValues) {
  const auto message = OSCMessage::decode(hex("2F 61 62 00"));
  EXPECT_EQ(message.address().address(), "/ab");
  EXPECT_TRUE(message.values().empty());
}

TEST(OSCMessage, DescribesAddressAndValues) {
  EXPECT_EQ(OSCMessage::make("/a")->description(), "OSCMessage(/a)");
  const auto message = *OSCMessage::make(
      "/a", {OSCValue::int32(1), OSCValue::string("x"), OSCValue::float_(1.0f), OSCValue::boolean(true),
             OSCValue::blob({1, 2})});
  EXPECT_EQ(message.description(), "OSCMessage(/a, values: [1, \"x\", 1.0, true, 2 bytes])");
  EXPECT_FALSE(OSCMessage::make("no/slash"));
}

TEST(OSCMessage, EncodingTextThatCannotTravelFails) {
  const auto message = *OSCMessage::make("/a", {OSCValue::string(std::string("a\0b", 3))});
  EXPECT_THROW(message.data(), OSCValueError);
}

}  // namespace
}  // namespace osc
