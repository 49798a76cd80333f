#include "device/XML/ZRXMLAttributes.h"
#include "device/XML/ZRXMLElement.h"
#include "device/XML/ZRXMLParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace device;
using Names = std::vector<std::string>;

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

}  // namespace
