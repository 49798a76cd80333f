#pragma once
// Builds a ZRXMLElement tree from the bytes of an XML document (preset documents, user lists and
// settings documents from devices), on expat.
//
// Text: a run is all character data between two element boundaries (start or end tags), CDATA
// sections included, comments and processing instructions skipped. A run that is blank (Unicode
// white space and line breaks) is ignored; any other run, untrimmed, becomes the value of the
// innermost open element, replacing earlier text of that element.
//
// Outside input is not trusted: no external entities and no external DTD are loaded (an internal
// DTD subset is processed: its entities expand and its attribute defaults become attributes),
// expat's protection against entity amplification stays on, elements nested deeper than
// maximumDepth make the parse fail, and so do documents larger or with more elements than the
// parser's limits. Running out of memory during a parse is reported as a parse error.
//
// One parser object serves one document and is used by one thread; separate documents may be
// parsed on different threads at the same time.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/XML/ZRXMLElement.h"

namespace device {

// A document that is not well-formed, nested too deeply or beyond a limit, or a parse that ran out
// of memory: the parser's message and the position (line from 1, column in bytes from 1) where it stopped.
class ZRXMLParserError : public std::exception {
 public:
  ZRXMLParserError(std::string message, std::uint64_t line, std::uint64_t column);

  const std::string& message() const noexcept { return message_; }
  std::uint64_t line() const noexcept { return line_; }
  std::uint64_t column() const noexcept { return column_; }
  // "XML parse error at line L, column C: message"
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string message_;
  std::uint64_t line_;
  std::uint64_t column_;
  std::string description_;
};

// What one parse may cost. A tree costs about 160 bytes an element, so the default element count
// bounds a tree to some 160 MB; code that inflates documents bounds its output by the input limit.
struct ZRXMLParserLimits {
  static constexpr std::size_t defaultMaximumElements = 1'000'000;
  static constexpr std::size_t defaultMaximumInputBytes = std::size_t{16} << 20;  // 16 MiB

  std::size_t maximumElements = defaultMaximumElements;
  std::size_t maximumInputBytes = defaultMaximumInputBytes;
};

class ZRXMLParser {
 public:
  static constexpr std::size_t maximumDepth = 256;
  using Limits = ZRXMLParserLimits;

  // Reads the caller's bytes in place: they must stay alive and unchanged until parse() returns.
  explicit ZRXMLParser(std::span<const std::uint8_t> data, Limits limits = {});
  explicit ZRXMLParser(std::string_view text, Limits limits = {});
  explicit ZRXMLParser(const char* text, Limits limits = {});
  // Takes over a temporary's bytes (moved, not copied).
  explicit ZRXMLParser(std::vector<std::uint8_t>&& data, Limits limits = {});
  explicit ZRXMLParser(std::string&& text, Limits limits = {});
  ZRXMLParser(const ZRXMLParser&) = delete;
  ZRXMLParser& operator=(const ZRXMLParser&) = delete;

  // Parses the document once; true for a well-formed document within the limits. After success
  // root() holds the document element; after failure parserError() says why.
  bool parse();
  const ZRXMLElementPtr& root() const noexcept { return root_; }
  const std::optional<ZRXMLParserError>& parserError() const noexcept { return error_; }

  // Parses `text` in one call without copying it: the document element, or ZRXMLParserError.
  static ZRXMLElementPtr parseDocument(std::string_view text, Limits limits = {});
  static ZRXMLElementPtr parseDocument(std::span<const std::uint8_t> data, Limits limits = {});

 private:
  class Builder;

  std::vector<std::uint8_t> ownedBytes_;
  std::string ownedText_;
  std::string_view text_;
  Limits limits_;
  ZRXMLElementPtr root_;
  std::optional<ZRXMLParserError> error_;
};

}  // namespace device
