#include "device/XML/ZRXMLParser.h"

#include <expat.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace device {
namespace {

// U+0085, U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000: the non-ASCII
// white space and line breaks. Returns the length of the sequence at `p`, or 0 for anything else.
std::size_t blankSequenceLength(const unsigned char* p, const unsigned char* end) {
  const auto left = end - p;
  if (p[0] == 0xC2 && left >= 2 && (p[1] == 0x85 || p[1] == 0xA0)) return 2;
  if (left < 3) return 0;
  if (p[0] == 0xE1 && p[1] == 0x9A && p[2] == 0x80) return 3;
  if (p[0] == 0xE2 && p[1] == 0x80 &&
      ((p[2] >= 0x80 && p[2] <= 0x8A) || p[2] == 0xA8 || p[2] == 0xA9 || p[2] == 0xAF)) {
    return 3;
  }
  if (p[0] == 0xE2 && p[1] == 0x81 && p[2] == 0x9F) return 3;
  if (p[0] == 0xE3 && p[1] == 0x80 && p[2] == 0x80) return 3;
  return 0;
}

bool isBlank(std::string_view text) {
  auto p = reinterpret_cast<const unsigned char*>(text.data());
  const auto end = p + text.size();
  while (p != end) {
    switch (*p) {
      case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
        ++p;
        continue;
      default:
        break;
    }
    if (*p < 0x80) return false;
    const std::size_t length = blankSequenceLength(p, end);
    if (length == 0) return false;
    p += length;
  }
  return true;
}

struct ExpatDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

// The expat callbacks and the state of one parse.
class ZRXMLParser::Builder {
 public:
  explicit Builder(Limits limits) : limits_(limits), parser_(XML_ParserCreate(nullptr)) {
    if (!parser_) throw std::bad_alloc();
    XML_SetUserData(parser_.get(), this);
    XML_SetElementHandler(parser_.get(), &Builder::onStart, &Builder::onEnd);
    XML_SetCharacterDataHandler(parser_.get(), &Builder::onCharacters);
    // No parameter entities and no external DTD subset; without an external entity handler,
    // references to external entities are skipped, never loaded. Expat's protection against
    // entity amplification (billion laughs) is on by default and stays on.
    XML_SetParamEntityParsing(parser_.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  }

  // Parses `text` within `limits`: the document element, or ZRXMLParserError (also for a parse
  // that ran out of memory).
  static ZRXMLElementPtr build(std::string_view text, Limits limits) {
    if (text.size() > limits.maximumInputBytes) {
      throw ZRXMLParserError("document larger than the limit of " + std::to_string(limits.maximumInputBytes) +
                                 " bytes",
                             1, 1);
    }
    std::optional<Builder> builder;
    try {
      builder.emplace(limits);
      return builder->parse(text);
    } catch (const std::bad_alloc&) {
      if (builder) throw builder->error(outOfMemory);
      throw ZRXMLParserError(outOfMemory, 1, 1);
    }
  }

 private:
  static constexpr const char* outOfMemory = "out of memory";

  // Feeds the whole text; returns the document element or throws ZRXMLParserError (and rethrows
  // what a callback could not handle, e.g. std::bad_alloc).
  ZRXMLElementPtr parse(std::string_view text) {
    constexpr std::size_t chunk = std::size_t{1} << 30;  // XML_Parse takes an int length
    bool ok = true;
    do {
      const std::size_t length = std::min(text.size(), chunk);
      const bool final = length == text.size();
      ok = XML_Parse(parser_.get(), text.data(), static_cast<int>(length), final) == XML_STATUS_OK;
      text.remove_prefix(length);
    } while (ok && !text.empty());
    if (failure_) std::rethrow_exception(failure_);
    if (!ok || !root_) throw error();
    return std::move(root_);
  }

  ZRXMLParserError error(std::string message) const {
    XML_Parser parser = parser_.get();
    const auto line = static_cast<std::uint64_t>(XML_GetCurrentLineNumber(parser));
    const auto column = static_cast<std::uint64_t>(XML_GetCurrentColumnNumber(parser)) + 1;
    return {std::move(message), line, column};
  }

  ZRXMLParserError error() const {
    if (tooDeep_) return error("elements nested deeper than " + std::to_string(maximumDepth) + " levels");
    if (tooMany_) {
      return error("more elements than the limit of " + std::to_string(limits_.maximumElements));
    }
    const XML_Error code = XML_GetErrorCode(parser_.get());
    const XML_LChar* message = XML_ErrorString(code == XML_ERROR_NONE ? XML_ERROR_NO_ELEMENTS : code);
    return error(message ? message : "unknown error");
  }

  void stop() { XML_StopParser(parser_.get(), XML_FALSE); }

  // Ends the current run of text: a run that is not blank becomes the open element's value.
  void endRun() {
    if (text_.empty()) return;
    if (!stack_.empty() && !isBlank(text_)) stack_.back()->stringValue.emplace(std::move(text_));
    text_.clear();
  }

  static void XMLCALL onStart(void* user, const XML_Char* name, const XML_Char** attributes) {
    auto& self = *static_cast<Builder*>(user);
    try {
      self.endRun();
      if (self.stack_.size() >= maximumDepth) {
        self.tooDeep_ = true;
        self.stop();
        return;
      }
      if (self.elements_ >= self.limits_.maximumElements) {
        self.tooMany_ = true;
        self.stop();
        return;
      }
      ++self.elements_;
      auto element = std::make_shared<ZRXMLElement>(name);
      std::size_t count = 0;
      while (attributes[2 * count]) ++count;
      auto& map = element->attributes;
      map.reserve(count);
      for (; *attributes; attributes += 2) map.appendUnique(attributes[0], attributes[1]);
      map.sortByName();
      self.stack_.push_back(std::move(element));
    } catch (...) {
      self.failure_ = std::current_exception();
      self.stop();
    }
  }

  static void XMLCALL onEnd(void* user, const XML_Char*) {
    auto& self = *static_cast<Builder*>(user);
    try {
      self.endRun();
      if (self.stack_.empty()) return;
      ZRXMLElementPtr element = std::move(self.stack_.back());
      self.stack_.pop_back();
      if (self.stack_.empty()) {
        self.root_ = std::move(element);
      } else {
        self.stack_.back()->children.push_back(std::move(element));
      }
    } catch (...) {
      self.failure_ = std::current_exception();
      self.stop();
    }
  }

  static void XMLCALL onCharacters(void* user, const XML_Char* text, int length) {
    auto& self = *static_cast<Builder*>(user);
    try {
      self.text_.append(text, static_cast<std::size_t>(length));
    } catch (...) {
      self.failure_ = std::current_exception();
      self.stop();
    }
  }

  Limits limits_;
  std::unique_ptr<XML_ParserStruct, ExpatDeleter> parser_;
  std::vector<ZRXMLElementPtr> stack_;
  ZRXMLElementPtr root_;
  std::string text_;
  std::size_t elements_ = 0;
  bool tooDeep_ = false;
  bool tooMany_ = false;
  std::exception_ptr failure_;
};

ZRXMLParserError::ZRXMLParserError(std::string message, std::uint64_t line, std::uint64_t column)
    : message_(std::move(message)),
      line_(line),
      column_(column),
      description_("XML parse error at line " + std::to_string(line_) + ", column " +
                   std::to_string(column_) + ": " + message_) {}

ZRXMLParser::ZRXMLParser(std::span<const std::uint8_t> data, Limits limits)
    : text_(reinterpret_cast<const char*>(data.data()), data.size()), limits_(limits) {}

ZRXMLParser::ZRXMLParser(std::string_view text, Limits limits) : text_(text), limits_(limits) {}

ZRXMLParser::ZRXMLParser(const char* text, Limits limits) : ZRXMLParser(std::string_view(text), limits) {}

ZRXMLParser::ZRXMLParser(std::vector<std::uint8_t>&& data, Limits limits)
    : ownedBytes_(std::move(data)),
      text_(reinterpret_cast<const char*>(ownedBytes_.data()), ownedBytes_.size()),
      limits_(limits) {}

ZRXMLParser::ZRXMLParser(std::string&& text, Limits limits)
    : ownedText_(std::move(text)), text_(ownedText_), limits_(limits) {}

bool ZRXMLParser::parse() {
  try {
    root_ = Builder::build(text_, limits_);
    error_.reset();
    return true;
  } catch (const ZRXMLParserError& error) {
    error_ = error;
    return false;
  }
}

ZRXMLElementPtr ZRXMLParser::parseDocument(std::string_view text, Limits limits) {
  return Builder::build(text, limits);
}

ZRXMLElementPtr ZRXMLParser::parseDocument(std::span<const std::uint8_t> data, Limits limits) {
  return parseDocument(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), limits);
}

}  // namespace device
