#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "osc/OSCAddress.h"
#include "osc/OSCAddressPattern.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

TEST(OSCAddress, ValidatesAddressesAndPatterns) {
  const std::tuple<const char*, bool, bool> cases[] = {  // text, valid address, valid pattern
      {"/Va/control/presetLoadComplete", true, true}, {"/a/b/", true, true},
      {"Va/control", false, false}, {"", false, false}, {"/", false, false}, {"/a//b", false, false},
      {"/a/b//", false, false}, {"/a/b c", false, false}, {"/a/#b", false, false}, {"/a/\x7F", false, false},
      {"/a/*", false, true}, {"/a/[bc]", false, true}, {"/a/?", false, true}, {"/a/{x,y}", false, true},
      {"/a/[b]{c,d}[e]", false, true},
      {"/a/[{]}", false, true},  // brackets and braces pair independently
      {"/a/x,y", false, false}, {"/a/[b", false, false}, {"/a/]b[", false, false}, {"/a/}x{", false, false},
      {"/a/[[b]]", false, false}, {"/a/{x}}", false, false},
  };
  for (const auto& [text, address, pattern] : cases) {
    EXPECT_TRUE(OSCAddress::isValid(text) == address && OSCAddress::make(text).has_value() == address) << text;
    EXPECT_TRUE(OSCAddressPattern::isValid(text) == pattern && OSCAddressPattern::make(text).has_value() == pattern)
        << text;
  }
}

// The check runs over blocks of bytes: a fault is found at every position of short and long texts.
TEST(OSCAddress, FindsAFaultAtEveryPosition) {
  for (std::size_t length : {2u, 15u, 16u, 17u, 18u, 31u, 32u, 33u, 40u}) {
    const std::string valid = "/" + std::string(length - 1, 'p');
    EXPECT_TRUE(OSCAddress::isValid(valid)) << valid;
    for (std::size_t at = 1; at < length; ++at) {
      for (const char fault : {' ', '#', '*', '\x7F', '\x80', '\0', '}'}) {
        std::string text = valid;
        text[at] = fault;
        EXPECT_FALSE(OSCAddress::isValid(text)) << length << " " << at << " " << int(fault);
      }
      if (at + 1 < length) {
        std::string doubled = valid;
        doubled[at] = doubled[at + 1] = '/';
        EXPECT_FALSE(OSCAddress::isValid(doubled)) << doubled;
        std::string split = valid;
        split[at] = '/';
        EXPECT_EQ(OSCAddress::isValid(split), at > 1) << split;  // "//" at the start is an empty part
      }
    }
  }
}

TEST(OSCAddress, DropsOneTrailingSlashAndWritesPaddedAscii) {
  EXPECT_EQ(OSCAddress::make("/a/b/")->parts(), (std::vector<std::string_view>{"a", "b"}));
  EXPECT_EQ(OSCAddressPattern::make("/a/b/")->pattern(), "/a/b");
  EXPECT_EQ(OSCAddressPattern::make("/a/b/")->parts(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(OSCAddress::make("/ab/")->data(), test::hex("2F 61 62 00"));
  EXPECT_EQ(OSCAddress::make("/abc")->data(), test::hex("2F 61 62 63 00 00 00 00"));
  EXPECT_EQ(OSCAddress::make("/abc")->paddedSize(), 8u);
}

TEST(OSCAddress, ReadsPartsByIndexAndAsNumbers) {
  const auto address = *OSCAddress::make("/Vp/ui/3/ch/12/mute");
  EXPECT_TRUE(address.part(0) == "Vp" && address.part(5) == "mute" && !address.part(6) && !address.part(-1));
  EXPECT_EQ(address.part<std::uint8_t>(2), 3);
  EXPECT_EQ(address.part<std::uint16_t>(4), 12);
  EXPECT_FALSE(address.part<std::uint8_t>(6));
  EXPECT_FALSE(address.part<std::uint8_t>(5));
  EXPECT_FALSE(OSCAddress::make("/300")->part<std::uint8_t>(0));
}

TEST(OSCAddressPattern, MatchesAddressesPartByPart) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"/Vp/ui/*/ch/*/*/*", "/Vp/ui/1/ch/2/gain/Relayed", true}, {"/Vp/ui/*/ch/*/*/*", "/Vp/ui/1/ch/2/gain", false},
      {"/Va/control/presetLoadComplete", "/Va/control/presetLoadComplete", true},
      {"/a*b", "/ab", true}, {"/a*b", "/axyz", true}, {"/a*b", "/a", false}, {"/*", "/anything", true},
      {"/ab*", "/ab", false}, {"/a?", "/a", false}, {"/a?", "/ab", true},
      {"/[a-c]x", "/bx", true}, {"/[a-c]x", "/dx", false}, {"/[a-c]x", "/cy", false}, {"/[c-a]x", "/bx", true},
      {"/[!a-c]x", "/dx", true}, {"/[!a-c]x", "/bx", false}, {"/[ab]cd", "/ccd", false},
      {"/[-a]", "/-", true}, {"/[!]", "/z", true},
      {"/{foo,ba}r", "/foor", true}, {"/{foo,ba}r", "/bar", true}, {"/{fo,foo}d", "/food", false},
      {"/x{,y}z", "/xz", true}, {"/{ab,c}", "/a", false},
  };
  for (const auto& [text, address, matches] : cases) {
    const auto pattern = OSCAddressPattern::make(text);
    ASSERT_TRUE(pattern) << text;
    EXPECT_EQ(pattern->matches(std::string_view(address)), matches) << text << " " << address;
    EXPECT_EQ(pattern->matches(OSCAddress::make(address).value()), matches) << text << " " << address;
  }
}

}  // namespace
}  // namespace osc
