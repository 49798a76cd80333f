#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "device/Model/Hide.h"
#include "device/Model/StereoType.h"
#include "device/XML/ZRXMLElement.h"
#include "device/XML/ZRXMLEncodingError.h"
#include "tests/support/NumericLocale.h"

namespace {

using device::Hide;
using device::StereoType;
using device::ZRXMLDecodingError;
using device::ZRXMLElement;
using Value = std::variant<bool, std::int64_t, std::uint64_t, float, double, Hide, StereoType>;
using Reader = std::function<Value(const ZRXMLElement&, std::string_view)>;

template <typename T, typename Member>
Reader reader(Member member) {
  return [member](const ZRXMLElement& e, std::string_view name) -> Value { return T((e.*member)(name)); };
}

template <typename Call>
void expectError(Call&& call, const ZRXMLDecodingError& expected, const std::string& label) {
  try {
    call();
    ADD_FAILURE() << label << ": no error";
  } catch (const ZRXMLDecodingError& error) {
    EXPECT_EQ(error, expected) << label;
  }
}

ZRXMLElement channel(const char* text) { return ZRXMLElement("Channel", std::nullopt, {{"Attr", text}}); }

void checkReaderTable() {
  constexpr auto inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    Reader read;
    std::vector<std::pair<const char*, Value>> good;
    std::vector<const char*> bad;  // each fails, reporting the text
  } rows[] = {
      {"bool", reader<bool>(&ZRXMLElement::boolAttribute),
       {{"1", true}, {"TRUE", true}, {"Yes", true}, {"no", false}, {"0", false}, {"fAlSe", false}},
       {"2", " 1", ""}},
      {"int", reader<std::int64_t>(&ZRXMLElement::intAttribute),
       {{"+5", std::int64_t{5}}, {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()}},
       {"9223372036854775808", "5 ", "abc", "-"}},
      {"uint", reader<std::uint64_t>(&ZRXMLElement::uintAttribute),
       {{"-0", std::uint64_t{0}}, {"+5", std::uint64_t{5}},
        {"18446744073709551615", std::numeric_limits<std::uint64_t>::max()}},
       {"18446744073709551616", "-1"}},
      {"double", reader<double>(&ZRXMLElement::doubleAttribute),
       {{"1.5e3", 1500.0}, {"+0x1p4", 16.0}, {"-Infinity", -inf}, {"1e999", inf}},
       {"1,5", "", " 1", "1 "}},
      {"float", reader<float>(&ZRXMLElement::floatAttribute),
       {{"1.5e3", 1500.0f}, {"0.1", 0.1f}, {"1e39", std::numeric_limits<float>::infinity()}},
       {"1,5"}},
      {"raw int", reader<Hide>(&ZRXMLElement::rawValueAttribute<Hide>),
       {{"20", Hide::hidden}, {"+0", Hide::visible}}, {"5", "x"}},
      {"raw text", reader<StereoType>(&ZRXMLElement::rawValueAttribute<StereoType>),
       {{"STEREOV2", StereoType::velto2}}, {"stereo", "STEREO "}},
  };
  for (const auto& row : rows) {
    for (const auto& [text, expected] : row.good) {
      EXPECT_EQ(row.read(channel(text), "Attr"), expected) << row.name << " \"" << text << "\"";
    }
    for (const char* text : row.bad) {
      expectError([&] { row.read(channel(text), "Attr"); },
                  ZRXMLDecodingError::attributeValueConversion("Channel", "Attr", text),
                  std::string(row.name) + " \"" + text + "\"");
    }
    expectError([&] { row.read(channel("1"), "Missing"); },
                ZRXMLDecodingError::attributeNotFound("Channel", "Missing"), row.name);
  }
  // An integer-coded value that matches no case is reported as the number read.
  expectError([] { channel("+07").rawValueAttribute<Hide>("Attr"); },
              ZRXMLDecodingError::attributeValueConversion("Channel", "Attr", "7"), "+07");
  ZRXMLElement nan("e", std::nullopt, {{"v", "nan"}, {"s", " Ann "}});
  EXPECT_TRUE(std::isnan(nan.doubleAttribute("v")));
  EXPECT_TRUE(std::isnan(nan.floatAttribute("v")));
  EXPECT_EQ(nan.stringAttribute("s"), " Ann ");  // untrimmed
  EXPECT_THROW(nan.stringAttribute("S"), ZRXMLDecodingError);
}

TEST(AttributeReaders, ConvertByTheirRules) { checkReaderTable(); }

TEST(AttributeReaders, ConvertByTheirRulesUnderADecimalCommaLocale) {
  testsupport::NumericLocale locale;
  if (!locale.available()) GTEST_SKIP() << "no locale with a decimal comma is installed (de_DE.UTF-8)";
  checkReaderTable();
}

// The exact texts are checked where the model tests compare the errors of their operations.
TEST(ZRXMLErrors, WhatGivesTheDescription) {
  for (const auto& error : {ZRXMLDecodingError::attributeValueConversion("VALUE", "val", "abc"),
                            ZRXMLDecodingError::attributeNotFound("VALUE", "val"),
                            ZRXMLDecodingError::childNotFound("Device", "Settings")}) {
    EXPECT_STREQ(error.what(), error.description().c_str());
  }
  const auto encoding = device::ZRXMLEncodingError::encodingFailed();
  EXPECT_STREQ(encoding.what(), encoding.description().c_str());
}

}  // namespace
