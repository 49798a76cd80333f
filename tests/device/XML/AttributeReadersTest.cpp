#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "device/XML/ValueEntry.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"
#include "device/XML/ZRXMLEncodingError.h"
#include "tests/support/NumericLocale.h"

namespace test_enums {

enum class Shade { hidden, visible };    // integer-coded: 20 and 0
enum class Layout { stereo, binaural };  // text-coded: "STEREO" and "BIN"

}  // namespace test_enums

template <>
struct device::RawValueTraits<test_enums::Shade> {
  using Raw = std::int64_t;
  static std::optional<test_enums::Shade> fromRaw(std::int64_t raw) {
    if (raw == 20) return test_enums::Shade::hidden;
    if (raw == 0) return test_enums::Shade::visible;
    return std::nullopt;
  }
  static std::int64_t toRaw(test_enums::Shade shade) { return shade == test_enums::Shade::hidden ? 20 : 0; }
};

template <>
struct device::RawValueTraits<test_enums::Layout> {
  using Raw = std::string;
  static std::optional<test_enums::Layout> fromRaw(std::string_view raw) {
    if (raw == "STEREO") return test_enums::Layout::stereo;
    if (raw == "BIN") return test_enums::Layout::binaural;
    return std::nullopt;
  }
  static std::string toRaw(test_enums::Layout layout) {
    return layout == test_enums::Layout::stereo ? "STEREO" : "BIN";
  }
};

namespace {

using device::ZRXMLDecodingError;
using device::ZRXMLElement;
using test_enums::Layout;
using test_enums::Shade;

using Value = std::variant<bool, std::int64_t, std::uint64_t, float, double, Shade, Layout>;
using Reader = std::function<Value(const ZRXMLElement&, std::string_view)>;

template <typename T, typename Member>
Reader reader(Member member) {
  return [member](const ZRXMLElement& e, std::string_view name) -> Value { return T((e.*member)(name)); };
}

const Reader readBool = reader<bool>(&ZRXMLElement::boolAttribute);
const Reader readInt = reader<std::int64_t>(&ZRXMLElement::intAttribute);
const Reader readUInt = reader<std::uint64_t>(&ZRXMLElement::uintAttribute);
const Reader readFloat = reader<float>(&ZRXMLElement::floatAttribute);
const Reader readDouble = reader<double>(&ZRXMLElement::doubleAttribute);
const Reader readShade = reader<Shade>(&ZRXMLElement::rawValueAttribute<Shade>);
const Reader readLayout = reader<Layout>(&ZRXMLElement::rawValueAttribute<Layout>);

struct Case {
  const char* reader;
  const Reader& read;
  const char* text;
  std::optional<Value> expected;   // nullopt: conversion fails
  const char* reported = nullptr;  // the value the failure reports, when not the text
};

void checkReaderTable() {
  constexpr auto inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"bool", readBool, "1", true},
      {"bool", readBool, "TRUE", true},
      {"bool", readBool, "Yes", true},
      {"bool", readBool, "no", false},
      {"bool", readBool, "0", false},
      {"bool", readBool, "fAlSe", false},
      {"bool", readBool, "2", std::nullopt},
      {"bool", readBool, " 1", std::nullopt},
      {"bool", readBool, "", std::nullopt},
      {"int", readInt, "+5", std::int64_t{5}},
      {"int", readInt, "-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"int", readInt, "9223372036854775808", std::nullopt},
      {"int", readInt, "5 ", std::nullopt},
      {"int", readInt, "abc", std::nullopt},
      {"int", readInt, "-", std::nullopt},
      {"uint", readUInt, "-0", std::uint64_t{0}},
      {"uint", readUInt, "+5", std::uint64_t{5}},
      {"uint", readUInt, "18446744073709551615", std::numeric_limits<std::uint64_t>::max()},
      {"uint", readUInt, "18446744073709551616", std::nullopt},
      {"uint", readUInt, "-1", std::nullopt},
      {"double", readDouble, "1.5e3", 1500.0},
      {"double", readDouble, "+0x1p4", 16.0},
      {"double", readDouble, "-Infinity", -inf},
      {"double", readDouble, "1e999", inf},
      {"double", readDouble, "1,5", std::nullopt},
      {"double", readDouble, "", std::nullopt},
      {"double", readDouble, " 1", std::nullopt},
      {"double", readDouble, "1 ", std::nullopt},
      {"float", readFloat, "1.5e3", 1500.0f},
      {"float", readFloat, "0.1", 0.1f},
      {"float", readFloat, "1e39", std::numeric_limits<float>::infinity()},
      {"float", readFloat, "1,5", std::nullopt},
      {"raw int", readShade, "20", Shade::hidden},
      {"raw int", readShade, "+0", Shade::visible},
      {"raw int", readShade, "5", std::nullopt},
      {"raw int", readShade, "+07", std::nullopt, "7"},
      {"raw int", readShade, "x", std::nullopt},
      {"raw text", readLayout, "BIN", Layout::binaural},
      {"raw text", readLayout, "bin", std::nullopt},
      {"raw text", readLayout, "STEREO ", std::nullopt},
  };
  for (const auto& c : cases) {
    ZRXMLElement element("Channel", std::nullopt, {{"Attr", c.text}});
    const std::string label = std::string(c.reader) + " \"" + c.text + "\"";
    if (c.expected) {
      EXPECT_EQ(c.read(element, "Attr"), *c.expected) << label;
    } else {
      try {
        c.read(element, "Attr");
        ADD_FAILURE() << label << " converted";
      } catch (const ZRXMLDecodingError& error) {
        EXPECT_EQ(error, ZRXMLDecodingError::attributeValueConversion(
                             "Channel", "Attr", c.reported ? c.reported : c.text))
            << label;
      }
    }
    // Every reader reports a missing attribute the same way.
    try {
      c.read(element, "Missing");
      ADD_FAILURE() << label << " found a missing attribute";
    } catch (const ZRXMLDecodingError& error) {
      EXPECT_EQ(error, ZRXMLDecodingError::attributeNotFound("Channel", "Missing")) << label;
    }
  }
  ZRXMLElement nan("e", std::nullopt, {{"v", "nan"}});
  EXPECT_TRUE(std::isnan(nan.doubleAttribute("v")));
  EXPECT_TRUE(std::isnan(nan.floatAttribute("v")));
}

TEST(AttributeReaders, ConvertByTheirRules) { checkReaderTable(); }

TEST(AttributeReaders, ConvertByTheirRulesUnderADecimalCommaLocale) {
  testsupport::NumericLocale locale;
  if (!locale.available()) GTEST_SKIP() << "no locale with a decimal comma is installed (de_DE.UTF-8)";
  checkReaderTable();
}

TEST(AttributeReaders, StringAttributeGivesTheTextUntrimmed) {
  ZRXMLElement element("User", std::nullopt, {{"Name", " Ann "}});
  EXPECT_EQ(element.stringAttribute("Name"), " Ann ");
  EXPECT_THROW(element.stringAttribute("name"), ZRXMLDecodingError);
}

TEST(ZRXMLErrors, HaveTheirExactTexts) {
  const struct {
    ZRXMLDecodingError error;
    const char* text;
  } cases[] = {
      {ZRXMLDecodingError::attributeValueConversion("VALUE", "val", "abc"),
       "value \"abc\" of attribute VALUE.val could not be converted to the expected type."},
      {ZRXMLDecodingError::attributeNotFound("VALUE", "val"), "attribute \"val\" not found for \"VALUE\""},
      {ZRXMLDecodingError::childNotFound("Device", "Settings"), "Device does not contain child \"Settings\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.description(), c.text);
    EXPECT_STREQ(c.error.what(), c.text);
  }
  const auto encoding = device::ZRXMLEncodingError::encodingFailed();
  EXPECT_EQ(encoding, device::ZRXMLEncodingError::encodingFailed());
  EXPECT_EQ(std::hash<device::ZRXMLEncodingError>()(encoding),
            std::hash<device::ZRXMLEncodingError>()(device::ZRXMLEncodingError::encodingFailed()));
  EXPECT_STREQ(encoding.what(), encoding.description().c_str());
}

// A settings record in the "VALUE" form, as the settings documents of devices are read.
struct Sample {
  std::int64_t mode = 1;
  bool enabled = false;
  std::int64_t level = 2;
  void decode(const device::ZRXMLElementPtr& xml) {
    device::readValueEntry(*xml, "Mode", mode, &ZRXMLElement::intAttribute);
    device::readValueEntry(*xml, "Enabled", enabled, &ZRXMLElement::boolAttribute);
    device::readValueEntry(*xml, "Level", level, &ZRXMLElement::intAttribute);
  }
  void encode(const device::ZRXMLElementPtr&) const {}
};

}  // namespace

template <>
inline constexpr bool device::enableVeltoXmlCodable<Sample> = true;
template <>
inline constexpr bool device::enableVeltoXmlArrayCodable<Sample> = true;
static_assert(device::VeltoXmlArrayCodable<Sample>);
static_assert(!device::VeltoXmlCodable<int>);

namespace {

device::ZRXMLElementPtr settings(std::initializer_list<ZRXMLElement::Attributes> entries) {
  auto element = std::make_shared<ZRXMLElement>("Settings");
  for (const auto& attributes : entries) {
    element->children.push_back(std::make_shared<ZRXMLElement>("VALUE", std::nullopt, attributes));
  }
  return element;
}

TEST(ValueEntries, ReadKeysInOrderAndStopAtTheFirstFailure) {
  Sample fresh;
  fresh.decode(settings({{{"name", "Other"}, {"val", "x"}}, {{"name", "mode"}, {"val", "9"}}}));
  EXPECT_EQ(fresh.mode, 1);  // no entry (names are case-sensitive): the default stays
  EXPECT_EQ(fresh.level, 2);

  Sample first;
  first.decode(settings({{{"name", "Level"}, {"val", "7"}, {"extra", "ignored"}},
                         {{"name", "Mode"}, {"val", "3"}},
                         {{"name", "Mode"}, {"val", "4"}}}));
  EXPECT_EQ(first.mode, 3);  // the first entry of a key wins, in any order
  EXPECT_EQ(first.level, 7);

  Sample partial;
  try {
    partial.decode(settings({{{"name", "Mode"}, {"val", "5"}}, {{"name", "Enabled"}}, {{"name", "Level"}, {"val", "9"}}}));
    ADD_FAILURE() << "no error";
  } catch (const ZRXMLDecodingError& error) {
    EXPECT_EQ(error.description(), "attribute \"val\" not found for \"VALUE\"");
  }
  EXPECT_EQ(partial.mode, 5);   // read before the failure
  EXPECT_EQ(partial.level, 2);  // after it: untouched

  try {
    Sample().decode(settings({{{"name", "Level"}, {"val", "abc"}}}));
    ADD_FAILURE() << "no error";
  } catch (const ZRXMLDecodingError& error) {
    EXPECT_EQ(error.description(),
              "value \"abc\" of attribute VALUE.val could not be converted to the expected type.");
  }
}

}  // namespace
