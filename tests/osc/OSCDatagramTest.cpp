// Values, addresses, messages and bundles on the wire: layouts, validation, malformed input and
// its errors, nesting, descriptions (a server's too), and a bounded random-mutation run of the
// standard decoder.

#include <gtest/gtest.h>
#include <lo/lo.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "osc/OSCAddress.h"
#include "osc/OSCAddressPattern.h"
#include "osc/OSCBundle.h"
#include "osc/OSCMessage.h"
#include "osc/OSCServer.h"
#include "osc/OSCStandardDecoder.h"
#include "osc/OSCValue.h"
#include "osc/WireFormat.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

using test::errorText;
using test::hex;
using test::join;

const std::vector<std::uint8_t> emptyBundle = hex("23 62 75 6E 64 6C 65 00 00 00 00 00 00 00 00 07");

std::vector<std::uint8_t> sized(const std::vector<std::uint8_t>& element) {
  return join({{0, 0, 0, static_cast<std::uint8_t>(element.size())}, element});
}

// Nested bundles in both directions, byte for byte, are checked in the liblo interop cases below.
TEST(OSCBundle, EmptyBundleIsSixteenBytes) {
  const auto bundle = OSCBundle::decode(emptyBundle);
  EXPECT_TRUE(bundle.timetag() == 7u && bundle.elements().empty() && !bundle.endpoint() && !bundle.receiveTime());
  EXPECT_EQ(OSCBundle(7).data(), emptyBundle);
}

TEST(OSCBundle, ReportsEachMalformedCase) {
  const auto message = hex("2F 61 00 00 2C 00 00 00");
  auto badPrefix = emptyBundle;
  badPrefix[6] = 'x';
  const std::string size = "The OSC bundle's size is not a multiple of four bytes.";
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {{}, size}, {hex("23 62 75 6E 64 6C 65 00 00 00 00 00"), size},
      {std::vector<std::uint8_t>(emptyBundle.begin(), emptyBundle.end() - 1), size},
      {join({emptyBundle, hex("00 00")}), size}, {badPrefix, "The OSC bundle does not begin with #bundle."},
      {join({emptyBundle, hex("00 00 00 04")}), size},  // a size field with nothing after it
      {join({emptyBundle, hex("00 00 00 00"), message}), size}, {join({emptyBundle, hex("FF FF FF F8"), message}), size},
      {join({emptyBundle, hex("00 00 00 0C"), message}), "An element of the OSC bundle is longer than the data received."},
      {join({emptyBundle, sized(hex("23 62 75 6E"))}), size}, {join({emptyBundle, sized(test::chars("abcdefgh"))}), size},
      {join({emptyBundle, sized(test::chars("abcdefghijklmnop"))}), "The OSC bundle does not begin with #bundle."},
      {join({emptyBundle, sized(hex("2F 61 00 00 2C 69 00 00"))}), "An OSC value is cut short."},
  };
  for (const auto& [bytes, error] : cases) {
    EXPECT_EQ(errorText([&] { OSCBundle::decode(bytes); }), error) << bytes.size() << " bytes";
  }
}

TEST(OSCBundle, NestingBeyondTheLimitIsADecodeError) {
  auto nest = [](int levels) {
    OSCBundle bundle(1);
    bundle.add(*OSCMessage::make("/deep"));
    for (int k = 1; k < levels; ++k) {
      OSCBundle outer(1);
      outer.add(std::move(bundle));
      bundle = std::move(outer);
    }
    return bundle.data();
  };
  EXPECT_NO_THROW(OSCBundle::decode(nest(OSCBundle::maximumNestingDepth)));
  EXPECT_EQ(errorText([&] { OSCStandardDecoder::decode(nest(OSCBundle::maximumNestingDepth + 1)); }),
            "The OSC bundle nests bundles too deeply.");
}

TEST(OSCBundle, EndpointAndReceiveTimeReachEveryElement) {
  auto bundle = OSCBundle::decode(test::nestedSample(test::sampleMessages()).data());
  const OSCEndpoint sender{"127.0.0.1", 9999};
  const auto now = std::chrono::steady_clock::now();
  bundle.setEndpoint(sender);
  const OSCBundle& view = bundle;
  const auto all = {&view.elements()[0], &view.elements()[1], &view.elements()[1].bundle()->elements()[0]};
  for (const auto* object : all) EXPECT_TRUE(object->endpoint() == sender && !object->receiveTime());
  bundle.setReceiveTime(now);
  for (const auto* object : all) EXPECT_TRUE(object->endpoint() == sender && object->receiveTime() == now);
}

TEST(OSCStandardDecoder, PicksMessageOrBundleByTheFirstByte) {
  EXPECT_EQ(errorText([] { OSCStandardDecoder::decode(std::nullopt); }), "The datagram is empty.");
  EXPECT_EQ(errorText([] { OSCStandardDecoder::decode(std::span<const std::uint8_t>{}); }),
            "The datagram is empty.");
  EXPECT_EQ(errorText([] { OSCStandardDecoder::decode(test::chars("xyz0")); }), "The datagram is neither an OSC message nor an OSC bundle.");
  EXPECT_TRUE(OSCStandardDecoder::decode(hex("2F 61 00 00 2C 00 00 00")).isMessage());
  EXPECT_TRUE(OSCStandardDecoder::decode(emptyBundle).isBundle());
}

// Round trips of every kind, and liblo's bytes for them, are checked in the liblo interop test.
TEST(OSCMessage, DecodesPastTrailingBytesAndWithoutTags) {
  const auto message = *OSCMessage::make("/ab", {OSCValue::int32(1), OSCValue::string("x")});
  const auto decoded = OSCMessage::decode(test::join({message.data(), hex("EE EE EE EE")}));  // trailing bytes are ignored
  EXPECT_EQ(decoded, message);
  EXPECT_FALSE(decoded.endpoint() || decoded.receiveTime());
  // A datagram that ends right after its address, or after an empty tag string, is a message without values.
  EXPECT_EQ(OSCMessage::decode(hex("2F 61 62 00")), *OSCMessage::make("/ab"));
  EXPECT_EQ(OSCMessage::decode(hex("2F 61 62 00 2C 00 00 00")), *OSCMessage::make("/ab"));
}

TEST(OSCMessage, ReportsEachMalformedCaseWithItsError) {
  const std::pair<const char*, const char*> cases[] = {
      {"2F 61 00 00 2C 69 00 00 00 00 00", "The OSC message's size is not a multiple of four bytes."},  // 15 bytes
      {"", "The OSC message's address \u201c\u201d is not valid."},
      {"2F 80 00 00 2C 00 00 00", "The OSC message is malformed: OSC Address contains non ASCII Charachters"},
      {"61 62 00 00 2C 00 00 00", "The OSC message's address \u201cab\u201d is not valid."},
      {"2F 61 20 00 2C 00 00 00", "The OSC message's address \u201c/a \u201d is not valid."},
      {"2F 61 00 00 2C 69 00 00", "An OSC value is cut short."},
      {"2F 61 00 00 2C 78 00 00", "The OSC type tag \u201cx\u201d is unknown."},
      {"2F 61 00 00 69 00 00 00", "The OSC type tags do not begin with a comma."},
      {"2F 61 00 00 00 00 00 00", "The OSC type tags do not begin with a comma."},
      {"2F 61 00 00 2C 78 FF 00", "The OSC type tags are malformed."},  // non-ASCII before an unknown tag
      {"2F 61 00 00 2C 73 00 00 61 62 63 64", "An OSC value is not valid."},
      // Running past the end of the datagram: an address or a type tag string without its 0 byte.
      {"2F 61 62 63", "The OSC message's size is not a multiple of four bytes."},
      {"2F 61 00 00 2C 69 69 69", "The OSC type tags are malformed."},
      {"2F 61 00 00 2C 54 54 54", "The OSC type tags are malformed."},
  };
  for (const auto& [bytes, error] : cases) {
    EXPECT_EQ(errorText([&] { OSCMessage::decode(hex(bytes)); }), error) << bytes;
  }
  EXPECT_EQ(errorText([] { OSCMessage::make("/a", {OSCValue::string(std::string("a\0b", 3))})->data(); }),
            "An OSC value is not valid.");
  EXPECT_FALSE(OSCMessage::make("no/slash"));
}

// The texts that the device clients' log lines show for messages, bundles and servers. A server
// shows the port it was asked for, also once the system has picked one for port 0.
TEST(OSCDescriptions, MessagesBundlesAndServers) {
  const auto ping = *OSCMessage::make("/a");
  OSCBundle one(1), nested(1), inner(5);
  one.add(ping);
  inner.add(*OSCMessage::make("/b", {OSCValue::int32(-2)}));
  inner.add(OSCBundle(3));
  nested.add(*OSCMessage::make("/a", {OSCValue::int32(1), OSCValue::string("x")}));
  nested.add(inner);
  const auto picked = OSCServer::make(0, {}, nullptr, decoderOf<OSCStandardDecoder>(), "127.0.0.1");
  picked->start();
  EXPECT_NE(picked->listeningPort().value_or(0), 0);
  const std::pair<std::string, std::string_view> texts[] = {
      {ping.description(), "OSCMessage(/a)"},
      {OSCMessage::make("/a", {})->description(), "OSCMessage(/a)"},
      {OSCMessage::decode(hex("2F 61 00 00 2C 00 00 00")).description(), "OSCMessage(/a)"},
      {OSCMessage::make("/a", {OSCValue::int32(1), OSCValue::string("x"), OSCValue::float_(1.0f),
                               OSCValue::boolean(true), OSCValue::blob({1, 2})})
           ->description(),
       "OSCMessage(/a, values: [1, \"x\", 1.0, true, 2 bytes])"},
      {OSCBundle(1).description(), "empty OSCBundle(1)"},
      {OSCBundle(UINT64_MAX).description(), "empty OSCBundle(18446744073709551615)"},
      {one.description(), "OSCBundle(1, values: \nOSCMessage(/a)\n)"},
      {nested.description(),
       "OSCBundle(1, values: \nOSCMessage(/a, values: [1, \"x\"])\nOSCBundle(5, values: \nOSCMessage(/b, values: "
       "[-2])\nempty OSCBundle(3)\n)\n)"},
      {OSCServer::make(9999)->description(), "OSCServer@:9999"},
      {OSCServer::make(9, {}, nullptr, decoderOf<OSCStandardDecoder>(), "192.0.2.1")->description(),
       "OSCServer@192.0.2.1:9"},
      {picked->description(), "OSCServer@127.0.0.1:0"},
  };
  picked->stop();
  for (const auto& [text, expected] : texts) EXPECT_EQ(text, expected);
}

// Random mutations of valid datagrams fed to the standard decoder (run under AddressSanitizer in
// CI). Every input must either decode or fail with one of the library's errors, and whatever
// decodes must encode to bytes that decode to the same encoding again.
constexpr int caseCount = 20000;
constexpr std::uint32_t fixedStartValue = 0x05C0DEC5;

// Small valid datagrams of every kind of value: a ping, a message of mixed kinds, bundles.
std::vector<std::vector<std::uint8_t>> startingDatagrams() {
  const auto messages = test::sampleMessages();
  return {messages[0].data(), messages[8].data(), OSCBundle(1).data(), test::nestedSample(messages).data()};
}

std::vector<std::uint8_t> mutate(std::vector<std::uint8_t> bytes, std::mt19937& random) {
  static constexpr std::uint8_t interesting[] = {0, 1, 0x7F, 0x80, 0xFF, '/', '#', ',', 'i', 's', 'b', 'T', 'h'};
  static constexpr std::uint32_t words[] = {0, 1, 4, 8, 16, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFC};
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  const int rounds = 1 + static_cast<int>(pick(4));
  for (int r = 0; r < rounds && !bytes.empty(); ++r) {
    switch (pick(6)) {
      case 0: bytes[pick(bytes.size())] ^= static_cast<std::uint8_t>(1u << pick(8)); break;
      case 1: bytes[pick(bytes.size())] = interesting[pick(std::size(interesting))]; break;
      case 2: {  // overwrite an aligned word
        const std::size_t at = pick(bytes.size()) & ~std::size_t{3};
        const std::uint32_t w = words[pick(std::size(words))];
        for (std::size_t k = 0; k < 4 && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<std::uint8_t>(w >> (24 - 8 * k));
        break;
      }
      case 3: bytes.resize(pick(bytes.size() + 1)); break;
      case 4: bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pick(bytes.size() + 1)), 4, interesting[pick(std::size(interesting))]); break;
      case 5: {
        const std::size_t at = pick(bytes.size());
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + 4)));
        break;
      }
    }
  }
  return bytes;
}

TEST(OSCDecoderMutation, MutatedDatagramsDecodeOrFailCleanly) {
  const auto starts = startingDatagrams();
  std::mt19937 random(fixedStartValue);
  int decoded = 0;
  for (int n = 0; n < caseCount; ++n) {
    const auto input = mutate(starts[static_cast<std::size_t>(n) % starts.size()], random);
    std::vector<std::uint8_t> encoded;
    if (test::errorText([&] { encoded = OSCStandardDecoder::decode(input).data(); }) != "no error") continue;
    ++decoded;
    ASSERT_EQ(OSCStandardDecoder::decode(encoded).data(), encoded) << "case " << n;
  }
  // The mutations are mild enough that some inputs still decode.
  EXPECT_GT(decoded, caseCount / 50);
}

TEST(OSCValue, WritesBigEndianPaddedBytesWithTagAndSize) {
  const std::tuple<OSCValue, const char*, char> cases[] = {
      {OSCValue::int32(1), "00 00 00 01", 'i'},
      {OSCValue::nativeInt(4294967297), "00 00 00 01", 'i'},  // only the low 32 bits travel
      {OSCValue::int64(-2), "FF FF FF FF FF FF FF FE", 'h'}, {OSCValue::float_(1.0f), "3F 80 00 00", 'f'},
      {OSCValue::timetag(1), "00 00 00 00 00 00 00 01", 't'}, {OSCValue::string("abc"), "61 62 63 00", 's'},
      {OSCValue::string("abcd"), "61 62 63 64 00 00 00 00", 's'}, {OSCValue::string(""), "00 00 00 00", 's'},
      {OSCValue::string("\xC3\xA9\xC3\xA9"), "C3 A9 C3 A9 00 00 00 00", 's'},  // padding counts bytes
      {OSCValue::blob({1, 2, 3, 4, 5}), "00 00 00 05 01 02 03 04 05 00 00 00", 'b'},
      {OSCValue::blob({}), "00 00 00 00", 'b'}, {OSCValue::boolean(true), "", 'T'}, {OSCValue::boolean(false), "", 'F'},
  };
  for (const auto& [value, bytes, tag] : cases) {
    EXPECT_EQ(value.data(), hex(bytes)) << value.description();
    EXPECT_TRUE(value.paddedSize() == hex(bytes).size() && value.typeTag().rawValue == tag) << value.description();
  }
  EXPECT_NE(OSCValue::int32(1), OSCValue::nativeInt(1));  // same bytes, different kinds
}

TEST(OSCValue, WritableTextIsStrictUtf8WithoutNul) {
  using namespace std::string_literals;
  const std::pair<std::string, bool> cases[] = {
      {"", true}, {std::string(100, 'x'), true},
      {"abcdefgh\xC3\xA9", true},                 // a two-byte character in the last, overlapping word
      {"abc\xF0\x9F\x8E\xB5" "defghijk", true},   // a four-byte character in the first word
      {"abcdefgh\xC3", false},                    // cut at the end
      {"a\0b"s, false}, {"abcdefghijk\0"s, false},
      {"\xC0\xAF", false}, {"\xE0\x80\x80", false}, {"\xF4\x90\x80\x80", false},  // overlong, above U+10FFFF
      {"abcdefghij\xED\xA0\x80", false},          // surrogate
  };
  for (const auto& [text, writable] : cases) {
    EXPECT_EQ(isWritableText(text), writable) << text;
    EXPECT_EQ(errorText([&] { OSCValue::string(text).data(); }),
              writable ? "no error" : "An OSC value is not valid.") << text;
  }
}

TEST(OSCValue, ReadsWhatItNeedsAndRejectsShortOrMalformedBytes) {
  using K = OSCValueKind;
  const std::string size = "An OSC value is cut short.", encoding = "An OSC value is not valid.";
  const std::tuple<K, const char*, std::optional<OSCValue>, std::string> cases[] = {
      {K::int32, "00 00 00 01 AA BB CC DD", OSCValue::int32(1), ""}, {K::int32, "00 00 01", {}, size},
      {K::nativeInt, "FF FF FF FE", OSCValue::nativeInt(-2), ""},
      {K::int64, "00 00 00 00 00 00 00 07 01 02 03 04", OSCValue::int64(7), ""},
      {K::int64, "00 00 00 00 00 00 07", {}, size}, {K::float_, "3F 80 00 00", OSCValue::float_(1.0f), ""},
      {K::string, "00 00 00 00", OSCValue::string(""), ""},
      {K::string, "61 62 63 64 00 00 00 00 FF", OSCValue::string("abcd"), ""},
      {K::string, "61 62 63 64 00 00 00", {}, size}, {K::string, "61 62 63 64 00 01 00 00", {}, encoding},
      {K::string, "61 62 63 64", {}, encoding}, {K::string, "", {}, encoding}, {K::string, "C3 28 00 00", {}, encoding},
      {K::blob, "00 00 00 05 01 02 03 04 05 00 00 00", OSCValue::blob({1, 2, 3, 4, 5}), ""},
      {K::blob, "00 00 00 00", OSCValue::blob({}), ""}, {K::blob, "00 00 00 08 01 02 03 04 05", {}, size},
      {K::blob, "00 00 00 05 01 02 03 04 05", {}, size}, {K::blob, "00 00 00 05 01 02 03 04 05 00 01 00", {}, encoding},
      {K::blob, "FF FF FF FF 00 00 00 00", {}, size}, {K::blob, "00 00 00", {}, size},
      {K::boolean, "01 02 03 04", OSCValue::boolean(false), ""},  // a Boolean reads nothing
  };
  for (const auto& [kind, bytes, value, error] : cases) {
    std::optional<OSCValue> decoded;
    EXPECT_EQ(errorText([&] { decoded = OSCValue::decode(kind, hex(bytes)); }), value ? "no error" : error) << bytes;
    EXPECT_EQ(decoded, value) << bytes;
  }
}

TEST(OSCTypeTagString, ParsesUpToTheFirstNulAndWritesTagsOfValues) {
  using Tags = std::vector<OSCTypeTag>;
  EXPECT_EQ(OSCTypeTagString::parse(",ifs").typeTags, (Tags{OSCTypeTag::int32, OSCTypeTag::float_, OSCTypeTag::string}));
  EXPECT_EQ(OSCTypeTagString::parse(std::string_view(",i\0xyz", 6)).typeTags, Tags{OSCTypeTag::int32});
  EXPECT_TRUE(OSCTypeTagString::parse(",").typeTags.empty());
  const std::pair<std::string_view, std::string_view> errors[] = {
      {"", ""}, {"ifs", ""}, {",iq", "q"}, {",N", "N"}, {",m", "m"}, {",[i]", "["},
  };
  for (const auto& [text, tag] : errors) {
    EXPECT_EQ(errorText([&] { OSCTypeTagString::parse(text); }),
              tag.empty() ? "The OSC type tags do not begin with a comma."
                          : "The OSC type tag \u201c" + std::string(tag) + "\u201d is unknown.");
  }
  EXPECT_EQ(errorText([] { OSCTypeTagString::decode(hex("2C 69 80 00")); }), "The OSC type tags are malformed.");
  const std::vector<OSCValue> values{OSCValue::int32(1), OSCValue::string("x"), OSCValue::boolean(true)};
  EXPECT_EQ(OSCTypeTagString::fromValues(values).data(), hex("2C 69 73 54 00 00 00 00"));
  EXPECT_EQ(OSCTypeTagString{}.data(), hex("2C 00 00 00"));
}

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

// Interoperability with liblo, an independent OSC implementation: what liblo encodes from our
// values is byte for byte our encoding and we read it back to the same values; what we encode
// liblo reads to a message it encodes back to the same bytes (so to the same address and values),
// for every type both support.
using test::nestedSample;
using test::sampleMessages;

lo_timetag toTimetag(std::uint64_t v) { return {static_cast<std::uint32_t>(v >> 32), static_cast<std::uint32_t>(v)}; }

using LoMessage = std::unique_ptr<std::remove_pointer_t<lo_message>, decltype(&lo_message_free)>;

LoMessage libloMessage(const std::vector<OSCValue>& values) {
  LoMessage m(lo_message_new(), &lo_message_free);
  for (const auto& v : values) {
    switch (v.kind()) {
      case OSCValueKind::int32: lo_message_add_int32(m.get(), *v.asInt32()); break;
      case OSCValueKind::nativeInt: lo_message_add_int32(m.get(), static_cast<std::int32_t>(*v.asNativeInt())); break;
      case OSCValueKind::int64: lo_message_add_int64(m.get(), *v.asInt64()); break;
      case OSCValueKind::float_: lo_message_add_float(m.get(), *v.asFloat()); break;
      case OSCValueKind::string: lo_message_add_string(m.get(), std::string(*v.asString()).c_str()); break;
      case OSCValueKind::blob: {
        lo_blob blob = lo_blob_new(static_cast<std::int32_t>(v.asBlob()->size()), v.asBlob()->data());
        lo_message_add_blob(m.get(), blob);
        lo_blob_free(blob);
        break;
      }
      case OSCValueKind::timetag: lo_message_add_timetag(m.get(), toTimetag(*v.asTimetag())); break;
      case OSCValueKind::boolean: *v.asBool() ? lo_message_add_true(m.get()) : lo_message_add_false(m.get()); break;
    }
  }
  return m;
}

// liblo's encoding of a message or bundle (the buffer liblo allocated is freed).
std::vector<std::uint8_t> takeBytes(void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> bytes(p, p + size);
  std::free(data);
  return bytes;
}
std::vector<std::uint8_t> libloBytes(lo_message message, const std::string& path) {
  std::size_t size = 0;
  void* data = lo_message_serialise(message, path.c_str(), nullptr, &size);
  return takeBytes(data, size);
}

TEST(OSCLibloInterop, WeReadLiblosMessagesByteForByte) {
  for (const auto& message : sampleMessages()) {
    SCOPED_TRACE(message.description());
    const auto bytes = libloBytes(libloMessage(message.values()).get(), message.address().address());
    EXPECT_EQ(bytes, message.data());
    EXPECT_EQ(OSCMessage::decode(bytes), message);
  }
}

TEST(OSCLibloInterop, LibloReadsOurMessages) {
  auto messages = sampleMessages();
  messages.push_back(*OSCMessage::make("/b", {OSCValue::blob({})}));  // liblo cannot make an empty blob
  for (const auto& message : messages) {
    SCOPED_TRACE(message.description());
    auto bytes = message.data();
    EXPECT_STREQ(lo_get_path(bytes.data(), static_cast<ssize_t>(bytes.size())), message.address().address().c_str());
    int result = 0;
    LoMessage read(lo_message_deserialise(bytes.data(), bytes.size(), &result), &lo_message_free);
    ASSERT_TRUE(read) << "liblo error " << result;
    EXPECT_EQ(libloBytes(read.get(), message.address().address()), bytes);
  }
}

struct Received {
  int bundles = 0;
  std::vector<std::vector<std::uint8_t>> messages;
};

TEST(OSCLibloInterop, NestedBundlesBothWays) {
  const auto messages = sampleMessages();
  const auto ours = nestedSample(messages);
  auto add = [&](lo_bundle bundle, std::size_t k) {
    lo_bundle_add_message(bundle, messages[k].address().address().c_str(), libloMessage(messages[k].values()).release());
  };
  lo_bundle inner = lo_bundle_new(toTimetag(5));
  add(inner, 2);
  add(inner, 7);
  lo_bundle outer = lo_bundle_new(toTimetag(1));
  add(outer, 8);
  lo_bundle_add_bundle(outer, inner);
  std::size_t size = 0;
  void* data = lo_bundle_serialise(outer, nullptr, &size);
  const auto liblos = takeBytes(data, size);
  lo_bundle_free_recursive(outer);
  EXPECT_EQ(liblos, ours.data());
  EXPECT_EQ(OSCStandardDecoder::decode(liblos), OSCObject(ours));

  // liblo reads bundles only through a server; the data is handed to it directly, nothing is sent.
  Received received;
  lo_server server = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
  ASSERT_NE(server, nullptr);
  auto collect = [](const char* path, const char*, lo_arg**, int, lo_message message, void* user) {
    static_cast<Received*>(user)->messages.push_back(libloBytes(message, path));
    return 0;
  };
  auto count = [](lo_timetag, void* user) {
    ++static_cast<Received*>(user)->bundles;
    return 0;
  };
  lo_server_add_method(server, nullptr, nullptr, collect, &received);
  lo_server_add_bundle_handlers(server, count, [](void*) { return 0; }, &received);
  auto bytes = ours.data();
  EXPECT_EQ(lo_server_dispatch_data(server, bytes.data(), bytes.size()), static_cast<int>(bytes.size()));
  lo_server_free(server);
  EXPECT_EQ(received.bundles, 2);
  EXPECT_EQ(received.messages,
            (std::vector<std::vector<std::uint8_t>>{messages[8].data(), messages[2].data(), messages[7].data()}));
}

}  // namespace
}  // namespace osc
