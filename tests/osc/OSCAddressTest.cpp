#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "osc/OSCAddress.h"
#include "osc/OSCAddressPattern.h"
#include "osc/OSCMessage.h"
#include "osc/WireFormat.h"
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

// What the decoder makes of a datagram that starts with the text: "ok" when it takes the text
// up to its first 0 byte as a valid address, else the error's case.
std::string decodedAddress(const std::string& text, bool terminated) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  if (terminated) bytes.resize(paddedToFour(bytes.size() + 1), 0);
  try {
    OSCMessage::decode(bytes);
  } catch (const OSCMessageError& error) {
    return error.kind() == OSCMessageErrorCase::invalidSize ? "invalidSize" : "malformed";
  } catch (const OSCTypeTagStringError&) {  // what follows an early 0 byte is no tag string
  }
  return "ok";
}

// The checks run over blocks of bytes: a fault is found at every position of short and long
// texts, by isValid() and by the decoder, which finds the address's end in the same pass.
TEST(OSCAddress, FindsAFaultAtEveryPosition) {
  const auto check = [](const std::string& text) {
    const bool valid = OSCAddress::isValid(text.substr(0, text.find('\0')));
    EXPECT_EQ(decodedAddress(text, true), valid ? "ok" : "malformed") << text.size() << " " << text;
    return valid;
  };
  for (std::size_t length : {2u, 15u, 16u, 17u, 18u, 31u, 32u, 33u, 40u}) {
    const std::string valid = "/" + std::string(length - 1, 'p');
    EXPECT_TRUE(check(valid)) << valid;
    for (std::size_t at = 1; at < length; ++at) {
      for (const char fault : {' ', '#', '*', '\x7F', '\x80', '\xFF', '\0', '}', '[', '{', ']'}) {
        std::string text = valid;
        text[at] = fault;
        EXPECT_EQ(check(text), fault == '\0' && at > 1) << length << " " << at << " " << int(fault);
        EXPECT_FALSE(OSCAddress::isValid(text)) << length << " " << at << " " << int(fault);
      }
      if (at + 1 < length) {
        std::string doubled = valid;
        doubled[at] = doubled[at + 1] = '/';
        EXPECT_FALSE(check(doubled)) << doubled;
        std::string split = valid;
        split[at] = '/';
        EXPECT_EQ(check(split), at > 1) << split;  // "//" at the start is an empty part
      }
    }
    std::string trailing = valid + "/";
    EXPECT_TRUE(check(trailing)) << trailing;
    trailing += "/";
    EXPECT_FALSE(check(trailing)) << trailing;
  }
  // A datagram that ends before the address's 0 byte: too short when the text is valid.
  for (const char* text : {"/abc", "/abcdefghijklmno", "/abcdefghijklmnopqrs", "/abcdefghijklmnopqrstuvwxyz01234"}) {
    std::string faulty = text;
    faulty[2] = '*';
    EXPECT_TRUE(decodedAddress(text, false) == "invalidSize" && decodedAddress(faulty, false) == "malformed") << text;
  }
}

TEST(OSCAddress, DropsOneTrailingSlashAndWritesPaddedAscii) {
  EXPECT_EQ(OSCAddress::make("/a/b/")->parts(), (std::vector<std::string_view>{"a", "b"}));
  EXPECT_EQ(OSCAddressPattern::make("/a/b/")->pattern(), "/a/b");
  EXPECT_EQ(OSCAddressPattern::make("/a/b/")->parts(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(OSCAddress::make("/ab/")->data(), test::hex("2F 61 62 00"));
  EXPECT_EQ(OSCAddress::make("/abc")->data(), test::hex("2F 61 62 63 00 00 00 00"));
}

// Short addresses live inside the value, longer ones beside it: each survives copies, moves and
// assignments between the two kinds, and reads back from its own bytes.
TEST(OSCAddress, KeepsItsTextThroughCopiesMovesAndAssignments) {
  const auto withLength = [](std::size_t length) { return "/" + std::string(length - 1, char('a' + length % 26)); };
  for (std::size_t length : {2u, 47u, 48u, 49u, 100u}) {
    const std::string text = withLength(length);
    const auto original = *OSCAddress::make(text);
    OSCAddress copy = original;
    OSCAddress moved = std::move(copy);
    EXPECT_TRUE(moved == original && moved.text() == text && moved.address() == text) << length;
    for (std::size_t other : {2u, 48u, 100u}) {
      OSCAddress target = *OSCAddress::make(withLength(other));
      target = original;
      EXPECT_EQ(target.address(), text) << length << " " << other;
      OSCAddress source = original;
      target = *OSCAddress::make(withLength(other));
      target = std::move(source);
      EXPECT_EQ(target.text(), text) << length << " " << other;
    }
    const auto bytes = original.data();
    const auto decoded = OSCMessage::decode(bytes).address();
    EXPECT_TRUE(decoded == original && &decoded.address() == &decoded.address()) << length;
  }
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
      {"/Va/Ping", "/Va/Pin", false}, {"/Va/Ping", "/Va/Ping/x", false}, {"/Va/Ping/", "/Va/Ping", true},
      {"/Va/Ping", "/Va/PingPong", false},
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
