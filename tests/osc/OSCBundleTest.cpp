#include <gtest/gtest.h>

#include <variant>

#include "osc/OSCBundle.h"
#include "osc/OSCStandardDecoder.h"
#include "tests/osc/Bytes.h"

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

TEST(OSCBundle, NestedBundlesRoundTrip) {
  OSCBundle inner(5);
  inner.add(*OSCMessage::make("/in", {OSCValue::int32(3)}));
  OSCBundle outer(1);
  outer.add(*OSCMessage::make("/out", {OSCValue::string("x")}));
  outer.add(inner);
  const auto bytes = outer.data();
  EXPECT_EQ(bytes.size(), outer.size());
  const auto decoded = OSCBundle::decode(bytes);
  EXPECT_EQ(decoded, outer);
  ASSERT_EQ(decoded.elements().size(), 2u);
  EXPECT_EQ(decoded.elements()[1].bundle()->timetag(), 5u);
  EXPECT_EQ(decoded.elements()[1].bundle()->elements()[0].message()->address().address(), "/in");
}

TEST(OSCBundle, ReportsEachMalformedCase) {
  using E = OSCBundleError;
  const auto message = hex("2F 61 00 00 2C 00 00 00");
  auto badPrefix = emptyBundle;
  badPrefix[6] = 'x';
  const std::pair<std::vector<std::uint8_t>, E> cases[] = {
      {{}, E::invalidSize()},
      {hex("23 62 75 6E 64 6C 65 00 00 00 00 00"), E::invalidSize()},
      {std::vector<std::uint8_t>(emptyBundle.begin(), emptyBundle.end() - 1), E::invalidSize()},
      {join({emptyBundle, hex("00 00")}), E::invalidSize()},
      {badPrefix, E::invalidPrefix()},
      {join({emptyBundle, hex("00 00 00 04")}), E::invalidSize()},  // size field with nothing after it
      {join({emptyBundle, hex("00 00 00 00"), message}), E::invalidSize()},
      {join({emptyBundle, hex("FF FF FF F8"), message}), E::invalidSize()},
      {join({emptyBundle, hex("00 00 00 0C"), message}), E::sizeExceedsDataProvided()},
      {join({emptyBundle, sized(hex("23 62 75 6E"))}), E::invalidSize()},
      {join({emptyBundle, sized(test::chars("abcdefgh"))}), E::invalidSize()},
      {join({emptyBundle, sized(test::chars("abcdefghijklmnop"))}), E::invalidPrefix()},
  };
  for (const auto& [bytes, expected] : cases) {
    try {
      OSCBundle::decode(bytes);
      ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
    } catch (const E& e) {
      EXPECT_EQ(e, expected) << e.description() << " for " << bytes.size() << " bytes";
    }
  }
  // An element's own decoding error passes through unchanged.
  EXPECT_THROW(OSCBundle::decode(join({emptyBundle, sized(hex("2F 61 00 00 2C 69 00 00"))})), OSCValueError);
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
  try {
    OSCStandardDecoder::decode(nest(OSCBundle::maximumNestingDepth + 1));
    ADD_FAILURE() << "no error";
  } catch (const OSCBundleError& e) {
    EXPECT_EQ(e, OSCBundleError::nestingTooDeep());
  }
}

TEST(OSCBundle, EndpointAndReceiveTimeReachEveryElement) {
  OSCBundle inner(2);
  inner.add(*OSCMessage::make("/b"));
  inner.add(*OSCMessage::make("/c"));
  OSCBundle outer(1);
  outer.add(*OSCMessage::make("/a"));
  outer.add(inner);
  auto bundle = OSCBundle::decode(outer.data());

  const OSCEndpoint sender{"127.0.0.1", 9999};
  bundle.setEndpoint(sender);
  const OSCBundle& view = bundle;
  const auto& nested = *view.elements()[1].bundle();
  for (const OSCObject* object : {&view.elements()[0], &view.elements()[1], &nested.elements()[0], &nested.elements()[1]}) {
    EXPECT_EQ(object->endpoint(), sender);
    EXPECT_FALSE(object->receiveTime());
  }
  const auto now = std::chrono::steady_clock::now();
  bundle.setReceiveTime(now);
  for (const OSCObject* object : {&view.elements()[0], &nested.elements()[0], &nested.elements()[1]}) {
    EXPECT_EQ(object->receiveTime(), now);
    EXPECT_EQ(object->endpoint(), sender);
  }
}

TEST(OSCBundle, Describes) {
  EXPECT_EQ(OSCBundle(1).description(), "empty OSCBundle(1)");
  OSCBundle bundle(1);
  bundle.add(*OSCMessage::make("/a"));
  EXPECT_EQ(bundle.description(), "OSCBundle(1, values: \nOSCMessage(/a)\n)");
}

TEST(OSCStandardDecoder, PicksMessageOrBundleByTheFirstByte) {
  using E = OSCDecoderError;
  for (const auto& [datagram, expected] :
       {std::pair{std::optional<std::span<const std::uint8_t>>{}, E::emptyDataProvided()},
        std::pair{std::optional<std::span<const std::uint8_t>>{std::span<const std::uint8_t>{}}, E::emptyDataProvided()}}) {
    try {
      OSCStandardDecoder::decode(datagram);
      ADD_FAILURE();
    } catch (const E& e) {
      EXPECT_EQ(e, expected);
    }
  }
  const auto letters = test::chars("xyz0");
  try {
    OSCStandardDecoder::decode(std::span<const std::uint8_t>(letters));
    ADD_FAILURE();
  } catch (const E& e) {
    EXPECT_EQ(e, E::dataIsNotOSC());
  }
  const auto message = hex("2F 61 00 00 2C 00 00 00");
  EXPECT_TRUE(OSCStandardDecoder::decode(std::span<const std::uint8_t>(message)).isMessage());
  EXPECT_TRUE(OSCStandardDecoder::decode(std::span<const std::uint8_t>(emptyBundle)).isBundle());
}

TEST(OSCEndpoint, EqualWhenHostAndPortAreEqual) {
  const OSCEndpoint a{"10.0.0.1", 9111};
  EXPECT_EQ(a, (OSCEndpoint{"10.0.0.1", 9111}));
  EXPECT_NE(a, (OSCEndpoint{"10.0.0.1", 9110}));
  EXPECT_NE(a, (OSCEndpoint{"10.0.0.2", 9111}));
}

}  // namespace
}  // namespace osc
