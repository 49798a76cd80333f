#include <gtest/gtest.h>

#include "osc/OSCMessage.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

using test::errorText;
using test::hex;

// Round trips of every kind, and liblo's bytes for them, are checked in the liblo interop test.
TEST(OSCMessage, DecodesPastTrailingBytesAndWithoutTags) {
  const auto message = *OSCMessage::make("/ab", {OSCValue::int32(1), OSCValue::string("x")});
  const auto decoded = OSCMessage::decode(test::join({message.data(), hex("EE EE EE EE")}));  // trailing bytes are ignored
  EXPECT_EQ(decoded, message);
  EXPECT_FALSE(decoded.endpoint() || decoded.receiveTime());
  // A datagram that ends right after its address, or after an empty tag string, is a message without values.
  EXPECT_EQ(OSCMessage::decode(hex("2F 61 62 00")), *OSCMessage::make("/ab"));
  EXPECT_EQ(OSCMessage::decode(hex("2F 61 62 00 2C 00 00 00")), *OSCMessage::make("/ab"));
}

TEST(OSCMessage, ReportsEachMalformedCaseWithItsError) {
  const std::pair<const char*, const char*> cases[] = {
      {"2F 61 00 00 2C 69 00 00 00 00 00", "The OSC message's size is not a multiple of four bytes."},  // 15 bytes
      {"", "The OSC message's address \u201c\u201d is not valid."},
      {"2F 80 00 00 2C 00 00 00", "The OSC message is malformed: OSC Address contains non ASCII Charachters"},
      {"61 62 00 00 2C 00 00 00", "The OSC message's address \u201cab\u201d is not valid."},
      {"2F 61 20 00 2C 00 00 00", "The OSC message's address \u201c/a \u201d is not valid."},
      {"2F 61 00 00 2C 69 00 00", "An OSC value is cut short."},
      {"2F 61 00 00 2C 78 00 00", "The OSC type tag \u201cx\u201d is unknown."},
      {"2F 61 00 00 69 00 00 00", "The OSC type tags do not begin with a comma."},
      {"2F 61 00 00 00 00 00 00", "The OSC type tags do not begin with a comma."},
      {"2F 61 00 00 2C 78 FF 00", "The OSC type tags are malformed."},  // non-ASCII before an unknown tag
      {"2F 61 00 00 2C 73 00 00 61 62 63 64", "An OSC value is not valid."},
      // Running past the end of the datagram: an address or a type tag string without its 0 byte.
      {"2F 61 62 63", "The OSC message's size is not a multiple of four bytes."},
      {"2F 61 00 00 2C 69 69 69", "The OSC type tags are malformed."},
      {"2F 61 00 00 2C 54 54 54", "The OSC type tags are malformed."},
  };
  for (const auto& [bytes, error] : cases) {
    EXPECT_EQ(errorText([&] { OSCMessage::decode(hex(bytes)); }), error) << bytes;
  }
  EXPECT_EQ(errorText([] { OSCMessage::make("/a", {OSCValue::string(std::string("a\0b", 3))})->data(); }),
            "An OSC value is not valid.");
  EXPECT_FALSE(OSCMessage::make("no/slash"));
}

}  // namespace
}  // namespace osc
