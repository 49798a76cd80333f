#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "device/Model/Hide.h"
#include "device/Model/StereoType.h"
#include "device/XML/ZRXMLAttributes.h"
#include "device/XML/ZRXMLElement.h"
#include "device/XML/ZRXMLEncodingError.h"
#include "device/XML/ZRXMLParser.h"
#include "tests/support/NumericLocale.h"

namespace {

using namespace device;
using Names = std::vector<std::string>;
using Value = std::variant<bool, std::int64_t, std::uint64_t, float, double, Hide, StereoType>;
using Reader = std::function<Value(const ZRXMLElement&, std::string_view)>;

ZRXMLElementPtr element(std::string name, std::optional<std::string> value = std::nullopt,
                        ZRXMLElement::Attributes attributes = {}, ZRXMLElement::Children children = {}) {
  return std::make_shared<ZRXMLElement>(std::move(name), std::move(value), std::move(attributes),
                                        std::move(children));
}

TEST(ZRXMLElement, WritesTheTreeByteForByte) {
  const struct {
    const char* what;
    ZRXMLElementPtr root;
    std::size_t depth;
    std::string expected;
  } cases[] = {
      {"worked example",
       element("A", {}, {{"b", "x&y"}}, {element("C"), element("D", "t")}), 0,
       "<A b=\"x&amp;y\">\n\t<C/>\n\t<D>t</D>\n</A>"},
      {"empty root", element("Settings"), 0, "<Settings/>"},
      {"attributes sorted by byte order", element("e", {}, {{"b", "2"}, {"a", "1"}, {"C", "0"}}), 0,
       "<e C=\"0\" a=\"1\" b=\"2\"/>"},
      {"attribute escaping", element("e", {}, {{"v", "a\"b'c<d>e&f"}, {"w", ""}}), 0,
       "<e v=\"a&quot;b&apos;c&lt;d&gt;e&amp;f\" w=\"\"/>"},
      {"white space in attributes as references", element("e", {}, {{"v", "a\tb\nc\rd\r\n"}}), 0,
       "<e v=\"a&#9;b&#10;c&#13;d&#13;&#10;\"/>"},
      {"no double escaping", element("e", {}, {{"v", "&amp;"}}), 0, "<e v=\"&amp;amp;\"/>"},
      {"empty value is a value", element("n", ""), 0, "<n></n>"},
      {"value lost beside children", element("p", "lost", {}, {element("c")}), 0, "<p>\n\t<c/>\n</p>"},
      {"indent at depth 2", element("p", {}, {}, {element("c", "x")}), 2, "\t\t<p>\n\t\t\t<c>x</c>\n\t\t</p>"},
      {"line feed and tab in value stay, CR as reference", element("n", "a\nb\tc\rd"), 1,
       "\t<n>a\nb\tc&#13;d</n>"},
      {"text escaping", element("n", "a&b<c>d]]>e]>f"), 0, "<n>a&amp;b&lt;c>d]]&gt;e]>f</n>"},
      {"names unchanged", element("x:y", "t", {{"p:q", "1"}}), 0, "<x:y p:q=\"1\">t</x:y>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.root->xmlString(c.depth), c.expected) << c.what;
    std::string appended = "<?xml?>";
    c.root->appendXmlString(appended, c.depth);
    EXPECT_EQ(appended, "<?xml?>" + c.expected) << c.what;
  }
}

TEST(ZRXMLElement, LooksUpChildrenAndMatchesByExactText) {
  const auto root = element("R", {}, {},
                            {element("VALUE", {}, {{"name", "A"}}), element("Other"),
                             element("VALUE", {}, {{"name", "a"}}), element("VALUE")});
  const auto& c = root->children;
  EXPECT_EQ(device::children(c, "VALUE"), (ZRXMLElement::Children{c[0], c[2], c[3]}));
  EXPECT_TRUE(device::children(c, "value").empty());
  EXPECT_TRUE(c[0]->matches("VALUE", "name", "A"));
  EXPECT_FALSE(c[0]->matches("VALUE", "name", "a"));
  EXPECT_FALSE(c[0]->matches("Value", "name", "A"));
  EXPECT_FALSE(c[3]->matches("VALUE", "name", ""));
  EXPECT_EQ(root->firstChild("VALUE"), c[0]);
  EXPECT_EQ(root->firstChild("Missing"), nullptr);
  const auto throwing = [](const ZRXMLElement& e) -> bool {
    if (e.elementName == "Other") throw std::runtime_error("stop");
    return false;
  };
  EXPECT_THROW(device::firstMatch(c, throwing), std::runtime_error);
}

TEST(ZRXMLElement, DeepCopySharesNoNode) {
  const auto root = element("R", "t", {{"a", "1"}}, {element("C", {}, {{"b", "2"}}, {element("D", "x")})});
  const auto copy = root->deepCopy();
  EXPECT_EQ(copy->xmlString(), root->xmlString());
  copy->children[0]->children[0]->stringValue = "changed";
  copy->children[0]->attributes["b"] = "3";
  copy->attributes["a"] = "4";
  EXPECT_EQ(root->xmlString(), "<R a=\"1\">\n\t<C b=\"2\">\n\t\t<D>x</D>\n\t</C>\n</R>");
}

Names names(const ZRXMLAttributes& attributes) {
  Names result;
  for (const auto& [name, value] : attributes) result.push_back(name);
  return result;
}

TEST(ZRXMLAttributes, BehavesAsASortedMapOfUniqueNames) {
  ZRXMLAttributes attributes{{"b", "1"}, {"a", "2"}, {"b", "ignored"}, {"C", "3"}};
  EXPECT_EQ(names(attributes), (Names{"C", "a", "b"}));
  EXPECT_EQ(attributes.at("b"), "1");  // as std::map: the first of equal names is kept
  attributes["aa"] = "4";
  attributes["a"] = "5";
  EXPECT_FALSE(attributes.emplace("C", "6").second);
  EXPECT_TRUE(attributes.insert_or_assign("\xC3\xA9", "7").second);  // non-ASCII sorts last
  EXPECT_FALSE(attributes.insert_or_assign("C", "8").second);
  EXPECT_EQ(names(attributes), (Names{"C", "a", "aa", "b", "\xC3\xA9"}));
  EXPECT_EQ(attributes.erase("aa"), 1u);
  EXPECT_EQ(attributes.erase("aa"), 0u);
  EXPECT_THROW(attributes.at("zz"), std::out_of_range);
  EXPECT_EQ(attributes, (ZRXMLAttributes{{"\xC3\xA9", "7"}, {"b", "1"}, {"a", "5"}, {"C", "8"}}));
  // Parsed attributes are sorted whatever the document order.
  const auto root = device::ZRXMLParser::parseDocument(R"(<a z="1" b="2" y="3" a="4"/>)");
  EXPECT_EQ(root->xmlString(), R"(<a a="4" b="2" y="3" z="1"/>)");
}

TEST(ZRXMLAttributes, EscapingBeyondTheFirstSizeEstimateStillWritesEverything) {
  std::string ampersands(5000, '&'), escaped;
  for (int i = 0; i < 5000; ++i) escaped += "&amp;";
  device::ZRXMLElement element("e", ampersands, {{"v", ampersands}});
  EXPECT_EQ(element.xmlString(), "<e v=\"" + escaped + "\">" + escaped + "</e>");
}

TEST(ZRXMLParser, BuildsTheTreeWithDecodedAttributes) {
  const auto root =
      ZRXMLParser::parseDocument(R"(<a x="1" v="&amp;&quot;&apos;&lt;&gt;" w='"'><b>t</b><c/></a>)");
  EXPECT_EQ(root->description(), R"(a ["v": "&\"\'<>", "w": "\"", "x": "1"] [b [:] t, c [:] []])");
}

TEST(ZRXMLParser, TextRunsBetweenElementBoundariesBecomeValues) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {  // document, value of the root
      {"<a>a&amp;b</a>", "a&b"}, {"<a>&#65;&#x42;&lt;</a>", "AB<"}, {"<a>x\r\n y</a>", "x\n y"},
      {"<a> x <b/></a>", " x "}, {"<a>first<b/>second</a>", "second"}, {"<a>kept<b/> \n\t</a>", "kept"},
      {"<a> \n\t\r </a>", std::nullopt}, {"<a>\xC2\xA0\xE2\x80\xA8\xE3\x80\x80\xC2\x85</a>", std::nullopt},
      {"<a>\xC2\xA0x</a>", "\xC2\xA0x"}, {"<a><![CDATA[x<y&z]]></a>", "x<y&z"}, {"<a></a>", std::nullopt},
      {"<a>p<![CDATA[&]]>q</a>", "p&q"}, {"<a>x<!-- comment -->y<?pi data?>z</a>", "xyz"},
      {"<a><b>inner</b></a>", std::nullopt},
  };
  for (const auto& [document, value] : cases) {
    EXPECT_EQ(ZRXMLParser::parseDocument(document)->stringValue, value) << document;
  }
}

TEST(ZRXMLParser, WrittenDocumentsReadBackUnchanged) {
  const std::string written =
      "<Preset Unknown=\"a&amp;b&quot;&lt;&gt;&apos;\" Version=\"2\">\n"
      "\t<UserList>\n"
      "\t\t<User Name=\"Ann\">\n"
      "\t\t\t<Future Kind=\"x\"/>\n"
      "\t\t\t<Note> spaced &amp; &lt;tagged> ]]&gt; </Note>\n"
      "\t\t\t<Empty></Empty>\n"
      "\t\t</User>\n"
      "\t</UserList>\n"
      "</Preset>";
  const auto root = ZRXMLParser::parseDocument(written);
  EXPECT_EQ(root->attributes.at("Unknown"), "a&b\"<>'");
  const auto user = root->children.at(0)->children.at(0);
  EXPECT_FALSE(root->stringValue);
  EXPECT_FALSE(user->stringValue);
  EXPECT_EQ(user->children.at(1)->stringValue, " spaced & <tagged> ]]> ");
  EXPECT_FALSE(user->children.at(2)->stringValue);  // <Empty></Empty> has no text run at all
  // Apart from the empty element (which has no text to keep), the text comes out as it went in.
  user->children.at(2)->stringValue = "";
  EXPECT_EQ(root->xmlString(), written);
}

TEST(ZRXMLParser, WhiteSpaceInValuesSurvivesAWriteAndARead) {
  const std::string values[] = {"\t", "\n", "\r", "\r\n", "line one\r\nline two\n", " a\tb ", "x\n\n\ry"};
  for (const auto& value : values) {
    const auto element =
        std::make_shared<device::ZRXMLElement>("n", value, device::ZRXMLElement::Attributes{{"v", value}});
    const auto read = ZRXMLParser::parseDocument(element->xmlString());
    EXPECT_EQ(read->attributes.at("v"), value);
    // A blank text run is no value at all, by design.
    if (value.find_first_not_of(" \t\r\n") != std::string::npos) {
      EXPECT_EQ(read->stringValue, value);
    }
  }
}

TEST(ZRXMLParser, RejectsMalformedAndHostileDocuments) {
  std::string deep, closing;
  for (std::size_t i = 0; i < ZRXMLParser::maximumDepth; ++i) {
    deep += "<e>";
    closing += "</e>";
  }
  EXPECT_TRUE(ZRXMLParser(deep + closing).parse());  // the limit itself is accepted
  deep += "<e>";
  std::string laughs = "<!DOCTYPE a [<!ENTITY l0 \"lollollollollollollollollollol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs += "]><a>&l9;</a>";
  const std::pair<std::string, std::string> cases[] = {  // document, part of the description
      {"", "no element found"}, {"not xml", "syntax error"}, {"<a>", "no element found"},
      {"<a></b>", "mismatched tag"}, {"<a/><b/>", "junk after document element"},
      {"<a x='1' x='2'/>", "duplicate attribute"}, {"<a>&undefined;</a>", "undefined entity"},
      {deep, "elements nested deeper than 256 levels"}, {laughs, "amplification"},
  };
  for (const auto& [document, message] : cases) {
    ZRXMLParser parser(document);
    EXPECT_FALSE(parser.parse()) << document.substr(0, 40);
    ASSERT_TRUE(parser.parserError());
    EXPECT_NE(parser.parserError()->description().find(message), std::string::npos)
        << parser.parserError()->description();
    EXPECT_THROW(ZRXMLParser::parseDocument(document), ZRXMLParserError);
  }
}

TEST(ZRXMLParser, ReportsWhereTheDocumentBroke) {
  try {
    ZRXMLParser::parseDocument("<a>\n  <b></c>\n</a>");
    FAIL() << "no error";
  } catch (const ZRXMLParserError& error) {
    EXPECT_EQ(error.line(), 2u);
    EXPECT_EQ(error.column(), 8u);
    EXPECT_STREQ(error.what(), "XML parse error at line 2, column 8: mismatched tag");
  }
}

TEST(ZRXMLParser, LoadsNoExternalEntityOrDtd) {
  const auto root = ZRXMLParser::parseDocument(
      "<!DOCTYPE a SYSTEM \"file:///etc/passwd\" [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
      "<a v=\"1\">&e;</a>");
  EXPECT_EQ(root->description(), "a [\"v\": \"1\"] []");
  // The internal subset is processed: its entities expand and its attribute defaults appear.
  const auto internal = ZRXMLParser::parseDocument(
      "<!DOCTYPE a [<!ENTITY n \"named\"><!ATTLIST a d CDATA \"default\">]><a>&n;</a>");
  EXPECT_EQ(internal->description(), "a [\"d\": \"default\"] named");
}

TEST(ZRXMLParser, TakesOverTemporaryBytes) {
  std::vector<std::uint8_t> bytes{'<', 'a', '>', 'x', '<', '/', 'a', '>'};
  ZRXMLParser fromBytes{std::move(bytes)};
  ZRXMLParser fromText{std::string("<b>y</b>")};
  ASSERT_TRUE(fromBytes.parse());
  ASSERT_TRUE(fromText.parse());
  EXPECT_EQ(fromBytes.root()->stringValue, "x");
  EXPECT_EQ(fromText.root()->stringValue, "y");
  EXPECT_FALSE(fromBytes.parserError());
}

TEST(ZRXMLParser, RefusesDocumentsBeyondItsLimits) {
  const ZRXMLParser::Limits limits{.maximumElements = 3, .maximumInputBytes = 64};
  const struct {
    std::string document;
    std::optional<std::string> error;  // part of the description, none for a document within the limits
  } cases[] = {
      {"<r><a/><a/></r>", std::nullopt},
      {"<r><a/><a/><a/></r>", "more elements than the limit of 3"},
      {"<r>" + std::string(64 - 7, 'x') + "</r>", std::nullopt},
      {"<r>" + std::string(64 - 6, 'x') + "</r>", "document larger than the limit of 64 bytes"},
      // Entities cannot add elements beyond the limit either.
      {"<!DOCTYPE r [<!ENTITY e '<a/><a/><a/>'>]><r>&e;</r>", "more elements"},
  };
  for (const auto& c : cases) {
    ZRXMLParser parser(c.document, limits);
    EXPECT_EQ(parser.parse(), !c.error) << c.document;
    if (c.error) {
      ASSERT_TRUE(parser.parserError());
      EXPECT_NE(parser.parserError()->description().find(*c.error), std::string::npos)
          << parser.parserError()->description();
    }
  }
  EXPECT_EQ(ZRXMLParser::Limits{}.maximumElements, 1'000'000u);
  EXPECT_EQ(ZRXMLParser::Limits{}.maximumInputBytes, 16u << 20);
}

TEST(ZRXMLParser, RefusesAFloodOfElementsAtTheDefaultLimitQuickly) {
  std::string flood = "<r>";
  for (std::size_t i = 0; i < ZRXMLParser::Limits::defaultMaximumElements + 10; ++i) flood += "<a/>";
  flood += "</r>";
  try {
    ZRXMLParser::parseDocument(flood);
    FAIL() << "no error";
  } catch (const ZRXMLParserError& error) {
    EXPECT_STREQ(error.message().c_str(), "more elements than the limit of 1000000");
  }
  EXPECT_THROW(ZRXMLParser::parseDocument(std::string(ZRXMLParser::Limits::defaultMaximumInputBytes + 1, ' ')),
               ZRXMLParserError);
}

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
