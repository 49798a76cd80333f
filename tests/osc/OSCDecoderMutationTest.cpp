// Random mutations of valid datagrams fed to the standard decoder (run under AddressSanitizer in
// CI). Every input must either decode or fail with one of the library's errors, and whatever
// decodes must encode to bytes that decode to the same encoding again.

#include <gtest/gtest.h>

#include <random>

#include "osc/OSCStandardDecoder.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

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

}  // namespace
}  // namespace osc
