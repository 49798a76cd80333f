#pragma once
// Builds a ZRXMLElement tree from the bytes of an XML document (preset documents, user lists and
// settings documents from devices), on expat.
//
// Text: a run is all character data between two element boundaries (start or end tags), CDATA
// sections included, comments and processing instructions skipped. A run that is blank (Unicode
// white space and line breaks) is ignored; any other run, untrimmed, becomes the value of the
// innermost open element, replacing earlier text of that element.
//
// Outside input is not trusted: no external entities and no external DTD are loaded, expat's
// protection against entity amplification stays on, and elements nested deeper than
// maximumDepth make the parse fail.
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

#include "device/XML/ZRXMLElement.h"

namespace device {

// A document that is not well-formed, or is nested too deeply: the parser's message and the
// position (line from 1, column in bytes from 1) where it stopped.
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

class ZRXMLParser {
 public:
  static constexpr std::size_t maximumDepth = 256;

  // Keeps a copy of the document's bytes.
  explicit ZRXMLParser(std::span<const std::uint8_t> data);
  explicit ZRXMLParser(std::string_view text);

  // Parses the document once; true for a well-formed document. After success root() holds the
  // document element; after failure parserError() says why.
  bool parse();
  const ZRXMLElementPtr& root() const noexcept { return root_; }
  const std::optional<ZRXMLParserError>& parserError() const noexcept { return error_; }

  // Parses `text` in one call without copying it: the document element, or ZRXMLParserError.
  static ZRXMLElementPtr parseDocument(std::string_view text);
  static ZRXMLElementPtr parseDocument(std::span<const std::uint8_t> data);

 private:
  class Builder;

  std::string data_;
  ZRXMLElementPtr root_;
  std::optional<ZRXMLParserError> error_;
};

}  // namespace device
