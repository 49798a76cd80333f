#include "device/XML/ZRXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using device::ZRXMLParser;
using device::ZRXMLParserError;

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

}  // namespace
