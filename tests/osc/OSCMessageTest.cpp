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
      {"2F 61 00 00 2C 69 00 00 00 00 00", "OSCMessageError.invalidSize"},  // 15 bytes
      {"", "OSCMessageError.malformedAddress(\"\")"},
      {"2F 80 00 00 2C 00 00 00", "OSCMessageError.malformedMessage(\"OSC Address contains non ASCII Charachters\")"},
      {"61 62 00 00 2C 00 00 00", "OSCMessageError.malformedAddress(\"ab\")"},
      {"2F 61 20 00 2C 00 00 00", "OSCMessageError.malformedAddress(\"/a \")"},
      {"2F 61 00 00 2C 69 00 00", "OSCValueError.sizeError"},
      {"2F 61 00 00 2C 78 00 00", "OSCTypeTagStringError.unkownTypeTag(\"x\")"},
      {"2F 61 00 00 69 00 00 00", "OSCTypeTagStringError.unkownBeginningCharacter"},
      {"2F 61 00 00 00 00 00 00", "OSCTypeTagStringError.unkownBeginningCharacter"},
      {"2F 61 00 00 2C 78 FF 00", "OSCTypeTagStringError.malformedData"},  // non-ASCII before an unknown tag
      {"2F 61 00 00 2C 73 00 00 61 62 63 64", "OSCValueError.encodingError"},
      // Running past the end of the datagram: an address or a type tag string without its 0 byte.
      {"2F 61 62 63", "OSCMessageError.invalidSize"},
      {"2F 61 00 00 2C 69 69 69", "OSCTypeTagStringError.malformedData"},
      {"2F 61 00 00 2C 54 54 54", "OSCTypeTagStringError.malformedData"},
  };
  for (const auto& [bytes, error] : cases) {
    EXPECT_EQ(errorText([&] { OSCMessage::decode(hex(bytes)); }), error) << bytes;
  }
  EXPECT_EQ(errorText([] { OSCMessage::make("/a", {OSCValue::string(std::string("a\0b", 3))})->data(); }),
            "OSCValueError.encodingError");
  EXPECT_FALSE(OSCMessage::make("no/slash"));
}

}  // namespace
}  // namespace osc
