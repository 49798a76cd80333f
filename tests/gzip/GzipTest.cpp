#include "gzip/Gzip.h"
#include "gzip/ZlibHeader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <tuple>

namespace {

using gzip::Bytes;
using gzip::GzipError;
using Kind = GzipError::Kind;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The kind of the error that inflating `input` throws; no value when it inflates.
std::optional<Kind> inflateErrorOf(const Bytes& input, std::size_t limit = gzip::defaultInflateLimit) {
  try {
    gzip::gunzipped(input, 0, limit);
  } catch (const GzipError& error) {
    return error.kind();
  }
  return std::nullopt;
}

TEST(Gzip, RoundTripsThroughTheZlibWrapper) {
  const Bytes text = bytesOf("<?xml version=\"1.0\"?><BinauralMonitorSettings Name=\"A\"/>");
  const Bytes big(100 * 1024, 0x41);  // expands far more than twice
  for (const Bytes& input : {Bytes{}, text, big}) {
    const Bytes compressed = gzip::gzipped(input);
    if (input.empty()) {
      EXPECT_TRUE(compressed.empty());
    } else {
      ASSERT_GE(compressed.size(), 2u);
      EXPECT_EQ(compressed[0], 0x78);
      EXPECT_EQ(compressed[1], 0x9C);
    }
    EXPECT_EQ(gzip::gunzipped(compressed), input);
  }
  // zlib itself reads what we write, and we read what zlib writes at every level.
  Bytes plain(text.size());
  uLongf plainSize = plain.size();
  const Bytes ours = gzip::gzipped(text, gzip::CompressionLevel::bestCompression());
  ASSERT_EQ(uncompress(plain.data(), &plainSize, ours.data(), ours.size()), Z_OK);
  EXPECT_EQ(plain, text);
}

TEST(Gzip, JoinsMembersWrittenOneAfterAnother) {
  const Bytes first = bytesOf("first part;");
  const Bytes second(5000, 0x07);
  EXPECT_EQ(gzip::gunzipped(concat(gzip::gzipped(first), gzip::gzipped(second))), concat(first, second));
}

TEST(Gzip, FailuresCarryZlibsKind) {
  const Bytes text = bytesOf(std::string(3000, 'x') + "tail");
  const Bytes compressed = gzip::gzipped(text);
  Bytes cutShort(compressed.begin(), compressed.end() - 1);
  Bytes corrupt = compressed;
  corrupt[corrupt.size() - 1] ^= 0xFF;  // the Adler-32 check value
  const std::pair<Bytes, std::optional<Kind>> cases[] = {
      {gzip::gzipped(text, gzip::CompressionLevel::defaultCompression(), 16 + 15), Kind::data()},  // gzip wrapper
      {cutShort, Kind::buffer()},
      {corrupt, Kind::data()},
      {concat(compressed, {0x00}), Kind::buffer()},        // a lone trailing byte
      {concat(compressed, {0x12, 0x34}), Kind::data()},    // trailing bytes that are no header
      {bytesOf("plain text"), Kind::data()},
  };
  for (const auto& [input, kind] : cases) {
    EXPECT_EQ(inflateErrorOf(input), kind) << testing::PrintToString(input.size());
  }
}

TEST(Gzip, InflationStopsAtTheLimit) {
  const Bytes big(64 * 1024, 0x00);
  const Bytes compressed = gzip::gzipped(big);
  EXPECT_EQ(inflateErrorOf(compressed, big.size()), std::nullopt);
  EXPECT_EQ(inflateErrorOf(compressed, big.size() - 1), Kind::memory());
  EXPECT_EQ(inflateErrorOf(concat(compressed, compressed), big.size() + 10), Kind::memory());
  try {
    gzip::gunzipped(compressed, 0, 1000);
    FAIL() << "no error";
  } catch (const GzipError& error) {
    EXPECT_EQ(error.message(), "inflated data exceeds the limit of 1000 bytes");
  }
}

TEST(Gzip, ErrorMessagesFallBackWithoutAValidText) {
  EXPECT_EQ(GzipError(Z_DATA_ERROR, nullptr).message(), "Unknown gzip error");
  EXPECT_EQ(GzipError(Z_DATA_ERROR, "\xff bad").message(), "Unknown gzip error");
  EXPECT_EQ(GzipError(Z_DATA_ERROR, "incorrect header check").message(), "incorrect header check");
  EXPECT_STREQ(GzipError(Z_DATA_ERROR, "incorrect header check").what(),
               "The compressed data could not be processed: incorrect header check");
}

TEST(Gzip, RecognisesTheGzipMagicAndTheTwoByteZlibHeaders) {
  // 01, 5E, 9C and DA are what zlib itself writes at levels 0-1, 2-5, 6 and 7-9.
  const std::tuple<Bytes, bool, bool> cases[] = {  // bytes, gzip, zlib
      {{}, false, false},           {{0x1F}, false, false},       {{0x1F, 0x8C}, false, false},
      {{0x1F, 0x8B}, true, false},  {{0x1F, 0x8B, 0x08}, true, false},
      {{0x78}, false, false},       {{0x78, 0x9C, 0x00, 0xFF}, false, true},
      {{0x78, 0xDA}, false, true},  {{0x78, 0x01}, false, true},  {{0x78, 0x5E}, false, true},
      {{0x78, 0x20}, false, true},  {{0x78, 0x7D}, false, true},  {{0x78, 0xBB}, false, true},
      {{0x78, 0xF9}, false, true},  {{0x78, 0x9D}, false, false}, {{0x78, 0x00}, false, false},
      {{0x58, 0x9C}, false, false},
  };
  for (const auto& [bytes, gzipped, zlib] : cases) {
    EXPECT_EQ(gzip::isGzipped(bytes), gzipped) << testing::PrintToString(bytes);
    EXPECT_EQ(gzip::isZlibCompressed(bytes), zlib) << testing::PrintToString(bytes);
  }
}

}  // namespace
