#include <gtest/gtest.h>

#include <tuple>

#include "osc/OSCValue.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

using test::errorText;
using test::hex;

TEST(OSCValue, WritesBigEndianPaddedBytesWithTagAndSize) {
  const std::tuple<OSCValue, const char*, char> cases[] = {
      {OSCValue::int32(1), "00 00 00 01", 'i'},
      {OSCValue::nativeInt(4294967297), "00 00 00 01", 'i'},  // only the low 32 bits travel
      {OSCValue::int64(-2), "FF FF FF FF FF FF FF FE", 'h'}, {OSCValue::float_(1.0f), "3F 80 00 00", 'f'},
      {OSCValue::timetag(1), "00 00 00 00 00 00 00 01", 't'}, {OSCValue::string("abc"), "61 62 63 00", 's'},
      {OSCValue::string("abcd"), "61 62 63 64 00 00 00 00", 's'}, {OSCValue::string(""), "00 00 00 00", 's'},
      {OSCValue::string("\xC3\xA9\xC3\xA9"), "C3 A9 C3 A9 00 00 00 00", 's'},  // padding counts bytes
      {OSCValue::blob({1, 2, 3, 4, 5}), "00 00 00 05 01 02 03 04 05 00 00 00", 'b'},
      {OSCValue::blob({}), "00 00 00 00", 'b'}, {OSCValue::boolean(true), "", 'T'}, {OSCValue::boolean(false), "", 'F'},
  };
  for (const auto& [value, bytes, tag] : cases) {
    EXPECT_EQ(value.data(), hex(bytes)) << value.description();
    EXPECT_TRUE(value.paddedSize() == hex(bytes).size() && value.typeTag().rawValue == tag) << value.description();
  }
  EXPECT_NE(OSCValue::int32(1), OSCValue::nativeInt(1));  // same bytes, different kinds
}

TEST(OSCValue, WritableTextIsStrictUtf8WithoutNul) {
  using namespace std::string_literals;
  const std::pair<std::string, bool> cases[] = {
      {"", true}, {std::string(100, 'x'), true},
      {"abcdefgh\xC3\xA9", true},                 // a two-byte character in the last, overlapping word
      {"abc\xF0\x9F\x8E\xB5" "defghijk", true},   // a four-byte character in the first word
      {"abcdefgh\xC3", false},                    // cut at the end
      {"a\0b"s, false}, {"abcdefghijk\0"s, false},
      {"\xC0\xAF", false}, {"\xE0\x80\x80", false}, {"\xF4\x90\x80\x80", false},  // overlong, above U+10FFFF
      {"abcdefghij\xED\xA0\x80", false},          // surrogate
  };
  for (const auto& [text, writable] : cases) {
    EXPECT_EQ(isWritableText(text), writable) << text;
    EXPECT_EQ(errorText([&] { OSCValue::string(text).data(); }),
              writable ? "no error" : "An OSC value is not valid.") << text;
  }
}

TEST(OSCValue, ReadsWhatItNeedsAndRejectsShortOrMalformedBytes) {
  using K = OSCValueKind;
  const std::string size = "An OSC value is cut short.", encoding = "An OSC value is not valid.";
  const std::tuple<K, const char*, std::optional<OSCValue>, std::string> cases[] = {
      {K::int32, "00 00 00 01 AA BB CC DD", OSCValue::int32(1), ""}, {K::int32, "00 00 01", {}, size},
      {K::nativeInt, "FF FF FF FE", OSCValue::nativeInt(-2), ""},
      {K::int64, "00 00 00 00 00 00 00 07 01 02 03 04", OSCValue::int64(7), ""},
      {K::int64, "00 00 00 00 00 00 07", {}, size}, {K::float_, "3F 80 00 00", OSCValue::float_(1.0f), ""},
      {K::string, "00 00 00 00", OSCValue::string(""), ""},
      {K::string, "61 62 63 64 00 00 00 00 FF", OSCValue::string("abcd"), ""},
      {K::string, "61 62 63 64 00 00 00", {}, size}, {K::string, "61 62 63 64 00 01 00 00", {}, encoding},
      {K::string, "61 62 63 64", {}, encoding}, {K::string, "", {}, encoding}, {K::string, "C3 28 00 00", {}, encoding},
      {K::blob, "00 00 00 05 01 02 03 04 05 00 00 00", OSCValue::blob({1, 2, 3, 4, 5}), ""},
      {K::blob, "00 00 00 00", OSCValue::blob({}), ""}, {K::blob, "00 00 00 08 01 02 03 04 05", {}, size},
      {K::blob, "00 00 00 05 01 02 03 04 05", {}, size}, {K::blob, "00 00 00 05 01 02 03 04 05 00 01 00", {}, encoding},
      {K::blob, "FF FF FF FF 00 00 00 00", {}, size}, {K::blob, "00 00 00", {}, size},
      {K::boolean, "01 02 03 04", OSCValue::boolean(false), ""},  // a Boolean reads nothing
  };
  for (const auto& [kind, bytes, value, error] : cases) {
    std::optional<OSCValue> decoded;
    EXPECT_EQ(errorText([&] { decoded = OSCValue::decode(kind, hex(bytes)); }), value ? "no error" : error) << bytes;
    EXPECT_EQ(decoded, value) << bytes;
  }
}

TEST(OSCTypeTagString, ParsesUpToTheFirstNulAndWritesTagsOfValues) {
  using Tags = std::vector<OSCTypeTag>;
  EXPECT_EQ(OSCTypeTagString::parse(",ifs").typeTags, (Tags{OSCTypeTag::int32, OSCTypeTag::float_, OSCTypeTag::string}));
  EXPECT_EQ(OSCTypeTagString::parse(std::string_view(",i\0xyz", 6)).typeTags, Tags{OSCTypeTag::int32});
  EXPECT_TRUE(OSCTypeTagString::parse(",").typeTags.empty());
  const std::pair<std::string_view, std::string_view> errors[] = {
      {"", ""}, {"ifs", ""}, {",iq", "q"}, {",N", "N"}, {",m", "m"}, {",[i]", "["},
  };
  for (const auto& [text, tag] : errors) {
    EXPECT_EQ(errorText([&] { OSCTypeTagString::parse(text); }),
              tag.empty() ? "The OSC type tags do not begin with a comma."
                          : "The OSC type tag \u201c" + std::string(tag) + "\u201d is unknown.");
  }
  EXPECT_EQ(errorText([] { OSCTypeTagString::decode(hex("2C 69 80 00")); }), "The OSC type tags are malformed.");
  const std::vector<OSCValue> values{OSCValue::int32(1), OSCValue::string("x"), OSCValue::boolean(true)};
  EXPECT_EQ(OSCTypeTagString::fromValues(values).data(), hex("2C 69 73 54 00 00 00 00"));
  EXPECT_EQ(OSCTypeTagString{}.data(), hex("2C 00 00 00"));
}

}  // namespace
}  // namespace osc
