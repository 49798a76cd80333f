#include <gtest/gtest.h>

#include <variant>

#include "osc/OSCBundle.h"
#include "osc/OSCStandardDecoder.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

using test::hex;
using test::join;

const std::vector<std::uint8_t> emptyBundle = hex("23 62 75 6E 64 6C 65 00 00 00 00 00 00 00 00 07");

std::vector<std::uint8_t> sized(const std::vector<std::uint8_t>& element) {
  std::vector<std::uint8_t> size{0, 0, 0, static_cast<std::uint8_t>(element.size())};
  return join({size, element});
}

TEST(OSCBundle, EmptyBundleIsSixteenBytes) {
  const auto bundle = OSCBundle::decode(emptyBundle);
  EXPECT_EQ(bundle.timetag(), 7u);
  EXPECT_TRUE(bundle.elements().empty());
  EXPECT_EQ(bundle.data(), emptyBundle);
  EXPECT_EQ(bundle.size(), 16u);
  EXPECT_FALSE(bundle.endpoint());
  EXPECT_FALSE(bundle.receiveTime());
}

// A message and a bundle of two messages.
OSCBundle nestedSample() {
  OSCBundle inner(5);
  inner.add(*OSCMessage::make("/in", {OSCValue::int32(3)}));
  inner.add(*OSCMessage::make("/in2"));
  OSCBundle outer(1);
  outer.add(*OSCMessage::make("/out", {OSCValue::string("x")}));
  outer.add(inner);
  return outer;
}

TEST(OSCBundle, NestedBundlesRoundTrip) {
  const auto bundle = nestedSample();
  const auto bytes = bundle.data();
  EXPECT_EQ(bytes.size(), bundle.size());
  const auto decoded = OSCBundle::decode(bytes);
  EXPECT_EQ(decoded, bundle);
  EXPECT_EQ(decoded.elements()[1].bundle()->timetag(), 5u);
}

TEST(OSCBundle, ReportsEachMalformedCase) {
  const auto message = hex("2F 61 00 00 2C 00 00 00");
  auto badPrefix = emptyBundle;
  badPrefix[6] = 'x';
  const std::string size = "OSCBundleError.invalidSize";
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {{}, size},
      {hex("23 62 75 6E 64 6C 65 00 00 00 00 00"), size},
      {std::vector<std::uint8_t>(emptyBundle.begin(), emptyBundle.end() - 1), size},
      {join({emptyBundle, hex("00 00")}), size},
      {badPrefix, "OSCBundleError.invalidPrefix"},
      {join({emptyBundle, hex("00 00 00 04")}), size},  // a size field with nothing after it
      {join({emptyBundle, hex("00 00 00 00"), message}), size},
      {join({emptyBundle, hex("FF FF FF F8"), message}), size},
      {join({emptyBundle, hex("00 00 00 0C"), message}), "OSCBundleError.sizeExceedsDataProvided"},
      {join({emptyBundle, sized(hex("23 62 75 6E"))}), size},
      {join({emptyBundle, sized(test::chars("abcdefgh"))}), size},
      {join({emptyBundle, sized(test::chars("abcdefghijklmnop"))}), "OSCBundleError.invalidPrefix"},
      {join({emptyBundle, sized(hex("2F 61 00 00 2C 69 00 00"))}), "OSCValueError.sizeError"},
  };
  for (const auto& [bytes, error] : cases) {
    EXPECT_EQ(test::errorText([&] { OSCBundle::decode(bytes); }), error) << bytes.size() << " bytes";
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
  EXPECT_EQ(test::errorText([&] { OSCStandardDecoder::decode(nest(OSCBundle::maximumNestingDepth + 1)); }),
            "OSCBundleError.nestingTooDeep");
}

TEST(OSCBundle, EndpointAndReceiveTimeReachEveryElement) {
  auto bundle = OSCBundle::decode(nestedSample().data());
  const OSCEndpoint sender{"127.0.0.1", 9999};
  const auto now = std::chrono::steady_clock::now();
  bundle.setEndpoint(sender);
  const OSCBundle& view = bundle;
  const auto& nested = *view.elements()[1].bundle();
  const std::vector<const OSCObject*> all{&view.elements()[0], &view.elements()[1], &nested.elements()[0],
                                          &nested.elements()[1]};
  for (const auto* object : all) EXPECT_TRUE(object->endpoint() == sender && !object->receiveTime());
  bundle.setReceiveTime(now);
  for (const auto* object : all) EXPECT_TRUE(object->endpoint() == sender && object->receiveTime() == now);
}

TEST(OSCBundle, Describes) {
  EXPECT_EQ(OSCBundle(1).description(), "empty OSCBundle(1)");
  OSCBundle bundle(1);
  bundle.add(*OSCMessage::make("/a"));
  EXPECT_EQ(bundle.description(), "OSCBundle(1, values: \nOSCMessage(/a)\n)");
}

TEST(OSCStandardDecoder, PicksMessageOrBundleByTheFirstByte) {
  using Datagram = std::optional<std::span<const std::uint8_t>>;
  EXPECT_EQ(test::errorText([] { OSCStandardDecoder::decode(Datagram{}); }), "OSCDecoderError.emptyDataProvided");
  EXPECT_EQ(test::errorText([] { OSCStandardDecoder::decode(std::span<const std::uint8_t>{}); }),
            "OSCDecoderError.emptyDataProvided");
  EXPECT_EQ(test::errorText([] { OSCStandardDecoder::decode(test::chars("xyz0")); }), "OSCDecoderError.dataIsNotOSC");
  EXPECT_TRUE(OSCStandardDecoder::decode(hex("2F 61 00 00 2C 00 00 00")).isMessage());
  EXPECT_TRUE(OSCStandardDecoder::decode(emptyBundle).isBundle());
}

TEST(OSCEndpoint, EqualWhenHostAndPortAreEqual) {
  const OSCEndpoint a{"10.0.0.1", 9111};
  EXPECT_EQ(a, (OSCEndpoint{"10.0.0.1", 9111}));
  EXPECT_NE(a, (OSCEndpoint{"10.0.0.1", 9110}));
  EXPECT_NE(a, (OSCEndpoint{"10.0.0.2", 9111}));
}

}  // namespace
}  // namespace osc
