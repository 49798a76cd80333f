#include "log/Utf8Text.h"

#include "platform/Utf8.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace tallylog {

namespace {

bool isSpaceSeparator(char32_t cp) {
  return cp == 0x20 || cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) ||
         cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F || cp == 0x3000;
}

bool isRegexSpace(char32_t cp) {
  return cp == '\t' || cp == '\n' || cp == '\f' || cp == '\r' || isSpaceSeparator(cp);
}

bool isWhiteSpace(char32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x85 || isSpaceSeparator(cp);
}

// The end of the text once the characters that `drop` accepts are taken from its end.
template <typename Predicate>
std::size_t endWithout(std::string_view text, Predicate drop) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto cp = platform::decodeUtf8(text, i);
    if (!cp || !drop(*cp)) end = i;
  }
  return end;
}

}  // namespace

std::string_view trimTrailingSpace(std::string_view text) {
  return text.substr(0, endWithout(text, isRegexSpace));
}

std::string_view trimWhitespaceAndNewlines(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t next = begin;
    const auto cp = platform::decodeUtf8(text, next);
    if (!cp || !isWhiteSpace(*cp)) break;
    begin = next;
  }
  const std::string_view rest = text.substr(begin);
  return rest.substr(0, endWithout(rest, isWhiteSpace));
}

std::string jsonQuoted(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tallylog
