#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, StrictSequencesDecodeAndReplace) {
  // Ill-formed: overlong, surrogate, above U+10FFFF, truncated, stray continuation, bad lead.
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82",
                          "\x80", "\xF8\x88\x80\x80\x80"}) {
    EXPECT_FALSE(platform::isValidUtf8(bad)) << bad;
  }
  const std::string text = "a\u00E9\u20AC\U0001F499";
  EXPECT_TRUE(platform::isValidUtf8(text));
  std::size_t at = 0;
  std::u32string decoded;
  while (at < text.size()) decoded += *platform::decodeUtf8(text, at);
  EXPECT_EQ(decoded, U"a\u00E9\u20AC\U0001F499");

  EXPECT_EQ(platform::replacingInvalidUtf8("ok\xC0\xAFok\xE2\x82"),
            "ok\uFFFD\uFFFDok\uFFFD\uFFFD");
}

}  // namespace
