#include "gzip/ZlibHeader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ZlibHeader, RecognisesOnlyTheTwoByteZlibHeader) {
  const std::pair<Bytes, bool> cases[] = {  // bytes, compressed
      {{}, false},           {{0x78}, false},       {{0x78, 0x9C, 0x00, 0xFF}, true}, {{0x78, 0xDA}, true},
      {{0x78, 0x01}, true},  {{0x78, 0x5E}, true},  {{0x78, 0x20}, true},             {{0x78, 0x7D}, true},
      {{0x78, 0xBB}, true},  {{0x78, 0xF9}, true},  {{0x78, 0x9D}, false},            {{0x78, 0x00}, false},
      {{0x1F, 0x8B, 0x08}, false},                  {{0x58, 0x9C}, false},
  };
  for (const auto& [bytes, compressed] : cases) {
    EXPECT_EQ(gzip::isZlibCompressed(bytes), compressed) << testing::PrintToString(bytes);
  }
}

TEST(ZlibHeader, EveryLevelOfZlibItselfIsRecognised) {
  const std::string text(200, 'a');
  for (int level = 0; level <= 9; ++level) {
    Bytes out(compressBound(text.size()));
    uLongf size = out.size();
    ASSERT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), text.size(), level),
              Z_OK);
    out.resize(size);
    EXPECT_TRUE(gzip::isZlibCompressed(out)) << "level " << level;
  }
}

}  // namespace
