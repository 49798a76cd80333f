#include <gtest/gtest.h>

#include "osc/OSCBundle.h"
#include "osc/OSCStandardDecoder.h"
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

// Nested bundles in both directions, byte for byte, are checked in the liblo interop test.
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

}  // namespace
}  // namespace osc
