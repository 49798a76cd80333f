#include <gtest/gtest.h>

#include "osc/OSCValue.h"
#include "osc/WireFormat.h"
#include "tests/osc/Bytes.h"

namespace osc {
namespace {

using test::hex;

struct EncodeCase {
  const char* name;
  OSCValue value;
  const char* bytes;
  char tag;
};

TEST(OSCValue, WritesBigEndianPaddedBytesWithTagAndSize) {
  const EncodeCase cases[] = {
      {"int32 -1", OSCValue::int32(-1), "FF FF FF FF", 'i'},
      {"int32 1", OSCValue::int32(1), "00 00 00 01", 'i'},
      {"native low 32 bits", OSCValue::nativeInt(4294967297), "00 00 00 01", 'i'},
      {"int64", OSCValue::int64(-2), "FF FF FF FF FF FF FF FE", 'h'},
      {"float 1.0", OSCValue::float_(1.0f), "3F 80 00 00", 'f'},
      {"timetag", OSCValue::timetag(1), "00 00 00 00 00 00 00 01", 't'},
      {"abc", OSCValue::string("abc"), "61 62 63 00", 's'},
      {"abcd", OSCValue::string("abcd"), "61 62 63 64 00 00 00 00", 's'},
      {"empty text", OSCValue::string(""), "00 00 00 00", 's'},
      {"two-byte character", OSCValue::string("\xC3\xA9"), "C3 A9 00 00", 's'},
      {"two two-byte characters", OSCValue::string("\xC3\xA9\xC3\xA9"), "C3 A9 C3 A9 00 00 00 00", 's'},
      {"blob of 5", OSCValue::blob({1, 2, 3, 4, 5}), "00 00 00 05 01 02 03 04 05 00 00 00", 'b'},
      {"empty blob", OSCValue::blob({}), "00 00 00 00", 'b'},
      {"true", OSCValue::boolean(true), "", 'T'},
      {"false", OSCValue::boolean(false), "", 'F'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.value.data(), hex(c.bytes));
    EXPECT_EQ(c.value.paddedSize(), hex(c.bytes).size());
    EXPECT_EQ(c.value.typeTag().rawValue, c.tag);
  }
}

TEST(OSCValue, TextThatCannotTravelIsAnEncodingError) {
  using namespace std::string_literals;
  // An embedded NUL, a cut sequence, a surrogate, an overlong form.
  for (const std::string& value : {"a\0b"s, "\xC3"s, "\xED\xA0\x80"s, "\xC0\xAF"s}) {
    EXPECT_THROW(OSCValue::string(value).data(), OSCValueError) << value;
  }
}

struct DecodeCase {
  const char* name;
  OSCValueKind kind;
  const char* bytes;
  std::optional<OSCValue> expected;  // nothing: an error of `error`
  OSCValueError::Case error = OSCValueError::Case::sizeError;
};

TEST(OSCValue, ReadsWhatItNeedsAndRejectsShortOrMalformedBytes) {
  using K = OSCValueKind;
  using E = OSCValueError::Case;
  const DecodeCase cases[] = {
      {"int32 ignores the rest", K::int32, "00 00 00 01 AA BB CC DD", OSCValue::int32(1)},
      {"int32 short", K::int32, "00 00 01", std::nullopt},
      {"native sign-extends", K::nativeInt, "FF FF FF FE", OSCValue::nativeInt(-2)},
      {"int64 from 12 bytes", K::int64, "00 00 00 00 00 00 00 07 01 02 03 04", OSCValue::int64(7)},
      {"int64 from 7 bytes", K::int64, "00 00 00 00 00 00 07", std::nullopt},
      {"timetag from 7 bytes", K::timetag, "00 00 00 00 00 00 07", std::nullopt},
      {"float", K::float_, "3F 80 00 00", OSCValue::float_(1.0f)},
      {"empty text", K::string, "00 00 00 00", OSCValue::string("")},
      {"abcd", K::string, "61 62 63 64 00 00 00 00 FF", OSCValue::string("abcd")},
      {"abcd short", K::string, "61 62 63 64 00 00 00", std::nullopt},
      {"abcd bad padding", K::string, "61 62 63 64 00 01 00 00", std::nullopt, E::encodingError},
      {"no terminator", K::string, "61 62 63 64", std::nullopt, E::encodingError},
      {"no bytes at all", K::string, "", std::nullopt, E::encodingError},
      {"not UTF-8", K::string, "C3 28 00 00", std::nullopt, E::encodingError},
      {"blob of 5", K::blob, "00 00 00 05 01 02 03 04 05 00 00 00", OSCValue::blob({1, 2, 3, 4, 5})},
      {"empty blob", K::blob, "00 00 00 00", OSCValue::blob({})},
      {"blob size past data", K::blob, "00 00 00 08 01 02 03 04 05", std::nullopt},
      {"blob padding missing", K::blob, "00 00 00 05 01 02 03 04 05", std::nullopt},
      {"blob bad padding", K::blob, "00 00 00 05 01 02 03 04 05 00 01 00", std::nullopt, E::encodingError},
      {"blob size FFFFFFFF", K::blob, "FF FF FF FF 00 00 00 00", std::nullopt},
      {"blob without size", K::blob, "00 00 00", std::nullopt},
      {"Boolean reads nothing", K::boolean, "01 02 03 04", OSCValue::boolean(false)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.expected) {
      EXPECT_EQ(OSCValue::decode(c.kind, hex(c.bytes)), *c.expected);
    } else {
      try {
        OSCValue::decode(c.kind, hex(c.bytes));
        ADD_FAILURE() << "no error";
      } catch (const OSCValueError& e) {
        EXPECT_EQ(e.kind(), c.error);
      }
    }
  }
}

TEST(OSCValue, KindAccessorsAnswerOnlyForTheirKind) {
  const OSCValue text = OSCValue::string("x");
  EXPECT_EQ(text.asString(), "x");
  EXPECT_FALSE(text.asInt32());
  EXPECT_FALSE(text.asInteger());
  EXPECT_EQ(OSCValue::nativeInt(5).asInteger(), 5);
  EXPECT_FALSE(OSCValue::nativeInt(5).asInt32());
  EXPECT_EQ(OSCValue::int64(-3).asInteger(), -3);
  EXPECT_EQ(OSCValue(true).asBool(), true);
  EXPECT_NE(OSCValue::int32(5), OSCValue::nativeInt(5));  // same bytes, different kinds
}

TEST(OSCTypeTagString, ParsesUpToTheFirstNul) {
  using Tags = std::vector<OSCTypeTag>;
  EXPECT_EQ(OSCTypeTagString::parse(",ifs").typeTags, (Tags{OSCTypeTag::int32, OSCTypeTag::float_, OSCTypeTag::string}));
  EXPECT_EQ(OSCTypeTagString::parse(std::string_view(",i\0xyz", 6)).typeTags, Tags{OSCTypeTag::int32});
  EXPECT_TRUE(OSCTypeTagString::parse(",").typeTags.empty());
  EXPECT_EQ(OSCTypeTagString::parse(",hbtTF").typeTags.size(), 5u);
}

TEST(OSCTypeTagString, RejectsMissingCommaUnknownTagsAndNonAscii) {
  using E = OSCTypeTagStringError;
  const std::pair<std::string_view, E> cases[] = {
      {"", E::unkownBeginningCharacter()}, {"ifs", E::unkownBeginningCharacter()},
      {",iq", E::unkownTypeTag('q')},      {",N", E::unkownTypeTag('N')},
      {",I", E::unkownTypeTag('I')},       {",d", E::unkownTypeTag('d')},
      {",c", E::unkownTypeTag('c')},       {",r", E::unkownTypeTag('r')},
      {",m", E::unkownTypeTag('m')},       {",[i]", E::unkownTypeTag('[')},
  };
  for (const auto& [text, error] : cases) {
    try {
      OSCTypeTagString::parse(text);
      ADD_FAILURE() << text;
    } catch (const E& e) {
      EXPECT_EQ(e, error) << text;
    }
  }
  EXPECT_THROW(OSCTypeTagString::decode(test::hex("2C 69 80 00")), E);
}

TEST(OSCTypeTagString, WritesTagsOfValues) {
  const std::vector<OSCValue> values{OSCValue::int32(1), OSCValue::string("x"), OSCValue::boolean(true)};
  const auto tags = OSCTypeTagString::fromValues(values);
  EXPECT_EQ(tags.data(), hex("2C 69 73 54 00 00 00 00"));
  EXPECT_EQ(tags.paddedSize(), 8u);
  EXPECT_EQ(OSCTypeTagString{}.data(), hex("2C 00 00 00"));
  EXPECT_FALSE(OSCTypeTag::fromRaw('x'));
  std::vector<std::uint8_t> three{1, 2, 3};
  padToFourBytes(three);
  EXPECT_EQ(three, hex("01 02 03 00"));
}

}  // namespace
}  // namespace osc
