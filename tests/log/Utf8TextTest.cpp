#include "log/Utf8Text.h"

#include <gtest/gtest.h>

namespace tallylog {
namespace {

TEST(Utf8Text, ValidityTrimmingAndJson) {
  EXPECT_TRUE(isValidUtf8("plain \u00E9 \U0001F499"));
  for (const char* invalid : {"\xFF", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(isValidUtf8(invalid)) << invalid;
  }
  EXPECT_EQ(trimTrailingSpace("a b \t\n\u00A0\u3000"), "a b");
  EXPECT_EQ(trimTrailingSpace("a\v"), "a\v") << "the regular expression's \\s leaves vertical tab";
  EXPECT_EQ(trimWhitespaceAndNewlines("\v\u0085 a b \n"), "a b");
  EXPECT_EQ(jsonQuoted("a\"b\\c/\n\x01\xFF"), "\"a\\\"b\\\\c/\\n\\u0001\uFFFD\"");
}

}  // namespace
}  // namespace tallylog
