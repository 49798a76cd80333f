#include "platform/UnicodeText.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

namespace platform {
namespace {

TEST(UnicodeText, LowerCaseMapsEveryScriptAndKeepsInvalidBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"ABC xyz 09", "abc xyz 09"},
      {"\u0490", "\u0491"},                          // Ukrainian Ghe with upturn
      {"\u0389\u0386", "\u03AE\u03AC"},              // Greek with tonos
      {"\u1EA0", "\u1EA1"},                          // Latin Extended Additional (Vietnamese)
      {"\u0531\u0532", "\u0561\u0562"},              // Armenian
      {"\uFF21\uFF22", "\uFF41\uFF42"},              // full-width Latin
      {"\u00C4RGER \u0141\u00D3D\u0179", "\u00E4rger \u0142\u00F3d\u017A"},
      {"\u0130", "i\u0307"},                         // the root locale: dotted I keeps its dot
      {"\u03A3\u039F\u03A3", "\u03C3\u03BF\u03C2"},  // final sigma
      {"\xFF\u0490\xC3", "\xFF\u0491\xC3"},          // ill-formed bytes stay as they are
      {"\U00010400", "\U00010428"},                  // Deseret, outside the basic plane
      {"", ""},
  };
  for (const auto& [text, lower] : cases) EXPECT_EQ(lowercased(text), lower) << text;
}

TEST(UnicodeText, CharactersAreGraphemeClusters) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"plain", 5},
      {"a\r\nb", 3},
      {"\U0001F1E9\U0001F1EA", 1},                                 // a flag: two regional indicators
      {"\u0915\u093F", 1},                                         // Devanagari ki
      {"\u1100\u1161", 1},                                         // Hangul jamo L + V
      {"e\u0301\u2764\uFE0F\U0001F468\u200D\U0001F469", 3},        // combining mark, selector, ZWJ
      {"\U0001F44D\U0001F3FD", 1},                                 // emoji modifier
      {"\xFF\xFE", 2},                                             // each ill-formed byte is one
      {"", 0},
  };
  for (const auto& [text, count] : cases) EXPECT_EQ(characterCount(text), count) << text;
  // Each thread keeps its own iterator.
  std::size_t other = 0;
  std::thread([&] { other = characterCount("\u0915\u093F\u0915"); }).join();
  EXPECT_EQ(other, 2u);
}

TEST(UnicodeText, NfcComposes) {
  const std::pair<std::string, std::string> cases[] = {
      {"e\u0301", "\u00E9"},
      {"\u00E9", "\u00E9"},
      {"\u1100\u1161", "\uAC00"},
      {"A\u030A\xFF", "\u00C5\xFF"},
      {"ascii", "ascii"},
  };
  for (const auto& [text, composed] : cases) EXPECT_EQ(nfcNormalized(text), composed) << text;
}

TEST(Utf8, StrictSequencesDecodeAndReplace) {
  // Ill-formed: overlong, surrogate, above U+10FFFF, truncated, stray continuation, bad lead.
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82",
                          "\x80", "\xF8\x88\x80\x80\x80", "\xFF", "\xC3"}) {
    EXPECT_FALSE(isValidUtf8(bad)) << bad;
  }
  const std::string text = "a\u00E9\u20AC\U0001F499";
  EXPECT_TRUE(isValidUtf8(text));
  std::size_t at = 0;
  std::u32string decoded;
  while (at < text.size()) decoded += *decodeUtf8(text, at);
  EXPECT_EQ(decoded, U"a\u00E9\u20AC\U0001F499");

  EXPECT_EQ(replacingInvalidUtf8("ok\xC0\xAFok\xE2\x82"), "ok\uFFFD\uFFFDok\uFFFD\uFFFD");
}

}  // namespace
}  // namespace platform
