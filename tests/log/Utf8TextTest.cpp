#include "log/Utf8Text.h"

#include <gtest/gtest.h>

namespace tallylog {
namespace {

TEST(Utf8Text, ValidityCaseTrimmingAndCounts) {
  EXPECT_TRUE(isValidUtf8("plain \u00E9 \U0001F499"));
  for (const char* invalid : {"\xFF", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(isValidUtf8(invalid)) << invalid;
  }
  EXPECT_EQ(lowercased("ÄÖÜ ÉCOLE Łódź ΣΩ ЖЁ \xFF"), "äöü école łódź σω жё \xFF");
  EXPECT_EQ(lowercased("\u0130\u0131"), "i\u0307\u0131");
  EXPECT_EQ(trimTrailingSpace("a b \t\n\u00A0\u3000"), "a b");
  EXPECT_EQ(trimTrailingSpace("a\v"), "a\v") << "the regular expression's \\s leaves vertical tab";
  EXPECT_EQ(trimWhitespaceAndNewlines("\v\u0085 a b \n"), "a b");
  EXPECT_EQ(characterCount("e\u0301\u2764\uFE0F\U0001F468\u200D\U0001F469\xFF"), 4u);
  EXPECT_EQ(jsonQuoted("a\"b\\c/\n\x01\xFF"), "\"a\\\"b\\\\c/\\n\\u0001\uFFFD\"");
}

}  // namespace
}  // namespace tallylog
