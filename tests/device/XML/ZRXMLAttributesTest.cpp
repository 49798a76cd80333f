#include "device/XML/ZRXMLAttributes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/XML/ZRXMLParser.h"

namespace {

using device::ZRXMLAttributes;
using Names = std::vector<std::string>;

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
