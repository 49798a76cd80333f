#pragma once
// The plain (uncompressed) bytes of one preset document, normally its XML text, with the
// compressed form in which presets are sent to processors and stored in files. A value type; any
// thread may use its own copy.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gzip/Gzip.h"

namespace device {

class Preset;

struct PresetData {
  std::vector<std::uint8_t> data;

  PresetData() = default;
  explicit PresetData(std::vector<std::uint8_t> data) : data(std::move(data)) {}

  // Inflates zlib-wrapped bytes (window bits 0). Throws gzip::GzipError, kind `memory` beyond
  // `limit` inflated bytes.
  static PresetData fromCompressed(const std::vector<std::uint8_t>& compressedData,
                                   std::size_t limit = gzip::defaultInflateLimit);

  // The bytes deflated with zlib's default level and window bits 15 (they begin 0x78 0x9C).
  // Throws gzip::GzipError.
  std::vector<std::uint8_t> compressed() const;

  // Parses the bytes as a preset document. Throws the parser's ZRXMLParserError for bytes that
  // are not well-formed XML, and the errors of Preset::fromXml.
  std::shared_ptr<Preset> preset() const;

  // "PresetData 1234 bytes"
  std::string description() const;

  friend bool operator==(const PresetData&, const PresetData&) = default;
};

}  // namespace device
