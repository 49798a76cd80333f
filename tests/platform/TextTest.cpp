// Text: numbers and dates read and written locale-independently, Unicode, UTF-8 and paths.
#include "platform/DataHome.h"
#include "platform/ISO8601Date.h"
#include "platform/NumberText.h"
#include "platform/PathRules.h"
#include "platform/UnicodeText.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>
#include <utility>

#include "tests/support/NumericLocale.h"

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

TEST(PathRules, SplitsTheLastComponentAtItsLastDot) {
  struct Case { const char *path, *last, *extension, *withoutExtension, *stem; };
  const Case cases[] = {
      {"/home/u/Show (USER SHOW).vup", "Show (USER SHOW).vup", "vup", "/home/u/Show (USER SHOW)",
       "Show (USER SHOW)"},
      {".VELTOshow", ".VELTOshow", "VELTOshow", "", ""},
      {"a.b/Show", "Show", "", "a.b/Show", "Show"},
      {"Show.x.vup", "Show.x.vup", "vup", "Show.x", "Show.x"},
      {"Show.", "Show.", "", "Show", "Show"},
      {"dir/Show.vup/", "Show.vup", "vup", "dir/Show", "Show"},
      {"/", "/", "", "/", "/"},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::lastPathComponent(c.path), c.last) << c.path;
    EXPECT_EQ(platform::pathExtension(c.path), c.extension) << c.path;
    EXPECT_EQ(platform::deletingPathExtension(c.path), c.withoutExtension) << c.path;
    EXPECT_EQ(platform::fileNameWithoutExtension(c.path), c.stem) << c.path;
  }
}

TEST(PathRules, PlainFileNames) {
  for (const char* name : {"Show.vup", "..vup", "a..b", " "})
    EXPECT_TRUE(platform::isPlainFileName(name)) << name;
  using namespace std::literals;
  for (std::string_view name : {""sv, "."sv, ".."sv, "../x.vup"sv, "a/b"sv, "/"sv, "a\0b"sv}) {
    EXPECT_FALSE(platform::isPlainFileName(name)) << name;
  }
}

TEST(DataHome, AbsoluteXdgDataHomeElseTheHomeFolder) {
  const char* cases[][3] = {
      // XDG_DATA_HOME (null: unset), HOME, expected
      {"/data/home/", "/home/u", "/data/home"},
      {"relative/data", "/home/u", "/home/u/.local/share"},
      {"", "/home/u/", "/home/u/.local/share"},
      {nullptr, "/", "/.local/share"},
  };
  for (const auto& [dataHome, home, expected] : cases) {
    dataHome ? ::setenv("XDG_DATA_HOME", dataHome, 1) : ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", home, 1);
    EXPECT_EQ(platform::dataHomePath(), expected) << (dataHome ? dataHome : "(unset)");
  }
  // Without a usable $HOME the password database names the home folder.
  ::setenv("HOME", "relative", 1);
  const std::string fromDatabase = platform::dataHomePath();
  EXPECT_TRUE(fromDatabase.empty() || (fromDatabase.starts_with("/") && fromDatabase.ends_with("/.local/share")));
}

using Limits = std::numeric_limits<double>;

void checkReadersAndWriters() {
  const std::pair<const char*, std::int64_t> ints[] = {{"+5", 5}, {"-42", -42}, {"007", 7},
      {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN}};
  for (const auto& [text, value] : ints) EXPECT_EQ(parseInt64(text), value) << text;
  for (const char* bad : {"", "+", "-", "5 ", " 5", "0x10", "1e3", "9223372036854775808",
                          "-9223372036854775809", "+-1", "1.0"}) {
    EXPECT_FALSE(parseInt64(bad)) << bad;
  }
  EXPECT_EQ(parseUInt64("-0"), 0u);
  EXPECT_EQ(parseUInt64("+5"), 5u);
  EXPECT_EQ(parseUInt64("18446744073709551615"), UINT64_MAX);
  for (const char* bad : {"-1", "18446744073709551616", "", "5 ", "-"})
    EXPECT_FALSE(parseUInt64(bad)) << bad;

  // strtod's grammar; out of range gives infinity or zero, not a failure.
  const std::pair<const char*, double> doubles[] = {{"1.5e3", 1500.0}, {"+2.5", 2.5},
      {"0x1p4", 16.0}, {"-.5", -0.5}, {"INFINITY", Limits::infinity()},
      {"-inf", -Limits::infinity()}, {"1e999", Limits::infinity()}, {"1e-999", 0.0}};
  for (const auto& [text, value] : doubles) EXPECT_EQ(parseDouble(text), value) << text;
  EXPECT_TRUE(std::isnan(*parseDouble("nan")));
  for (const char* bad : {"", "1,5", " 1", "\t1", "1 ", "abc", "1.5x", "."})
    EXPECT_FALSE(parseDouble(bad)) << bad;
  EXPECT_FALSE(parseDouble(std::string_view("1\0002", 3)));
  // Read straight to single precision: through double this text would round differently.
  EXPECT_EQ(parseFloat("1.00000005960464477539062500000001"), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(parseFloat("0.1"), 0.1f);
  EXPECT_FALSE(parseFloat("1,5"));

  EXPECT_EQ(formatFixed1(-12), "-12.0");
  EXPECT_EQ(formatFixed1(0.25), "0.2");  // round half to even on the binary value, as printf
  EXPECT_EQ(formatFixed1(0.35), "0.3");  // 0.35 is 0.34999... in binary
  const std::pair<double, const char*> shortest[] = {{-144.0, "-144.0"},
      {1.5707963267948966, "1.5707963267948966"}, {1e-05, "1e-05"}, {0.0001, "0.0001"},
      {0.0, "0.0"}, {-0.0, "-0.0"}, {1e16, "10000000000000000.0"}, {1e17, "1e+17"},
      {1.25e-7, "1.25e-07"}, {0x1.0p54, "18014398509481984.0"},
      {0x1.0000000000001p54, "1.8014398509481988e+16"}, {Limits::infinity(), "inf"},
      {-Limits::infinity(), "-inf"}};
  for (const auto& [value, text] : shortest) EXPECT_EQ(formatShortest(value), text) << text;
  EXPECT_EQ(formatShortest(0.1f), "0.1");
  EXPECT_EQ(formatShortest(-6.0f), "-6.0");
  // Whatever is written reads back to the same value.
  for (double v : {0.1, 1.0 / 3.0, 123456.789, 5e-324, 1.7976931348623157e308}) {
    EXPECT_EQ(parseDouble(formatShortest(v)), v);
  }
}

TEST(NumberText, ReadersAndWritersInCLocale) { checkReadersAndWriters(); }

TEST(NumberText, ReadersAndWritersIgnoreADecimalCommaLocale) {
  testsupport::NumericLocale locale;
  if (!locale.available()) GTEST_SKIP() << "no locale with a decimal comma installed (de_DE.UTF-8)";
  checkReadersAndWriters();
}

using namespace std::chrono;

TEST(ISO8601Date, ReadsStampsWithZoneToTheMillisecond) {
  const platform::Date instant = sys_days{2024y / May / 1} + 10h + 20min + 30s + 123ms;
  for (const char* text : {"2024-05-01T10:20:30.123Z", "2024-05-01T12:20:30.123+02:00",
                           "2024-05-01T07:50:30.123-02:30", "2024-05-02T00:20:30.123+14:00"}) {
    EXPECT_EQ(platform::parseISO8601(text), instant) << text;
  }
  EXPECT_EQ(platform::parseISO8601("2024-02-29T23:59:59.999Z"),
            platform::Date{sys_days{2024y / March / 1} - 1ms});
  for (const char* bad :
       {"2024-05-01T10:20:30Z", "2024-05-01T10:20:30.12Z", "2024-05-01T10:20:30.1234Z",
        "2024-05-01T10:20:30.123", "2024-05-01T10:20:30.123+0200", "2024-05-01T10:20:30.123z",
        "2024-05-01 10:20:30.123Z", "2023-02-29T10:20:30.123Z", "2024-13-01T10:20:30.123Z",
        "2024-05-01T24:00:00.000Z", "2024-05-01T10:60:30.123Z", "2024-05-01T10:20:60.123Z",
        "2024-05-01T10:20:30.123+24:00", "2024-05-01T10:20:30.123Z ", "+024-05-01T10:20:30.123Z", "",
        "0001-01-01T00:00:00.000Z", "9999-12-31T23:59:59.999Z"}) {
    EXPECT_EQ(platform::parseISO8601(bad), std::nullopt) << bad;
  }
}

TEST(ISO8601Date, WritesUtcWithMillisecondsAndReadsBack) {
  const platform::Date date = sys_days{1999y / December / 31} + 23h + 5min + 7s + 45ms + 999us;
  EXPECT_EQ(platform::formatISO8601(date), "1999-12-31T23:05:07.045Z");  // cut down to the millisecond
  EXPECT_EQ(platform::parseISO8601(platform::formatISO8601(date)), floor<milliseconds>(date));
  EXPECT_EQ(platform::formatISO8601(sys_days{1969y / December / 31} + 999ms), "1969-12-31T00:00:00.999Z");
}

}  // namespace
}  // namespace platform
