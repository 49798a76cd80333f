#include "log/Utf8Text.h"

#include "platform/Utf8.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace tallylog {

namespace {

void append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t lowerCase(char32_t cp) {
  if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) ||
      (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) || (cp >= 0x410 && cp <= 0x42F)) {
    return cp + 0x20;
  }
  if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
  if (cp >= 0x100 && cp <= 0x137 && cp % 2 == 0) return cp + 1;
  if (cp >= 0x139 && cp <= 0x148 && cp % 2 == 1) return cp + 1;
  if (cp >= 0x14A && cp <= 0x177 && cp % 2 == 0) return cp + 1;
  if (cp == 0x178) return 0xFF;
  if (cp >= 0x179 && cp <= 0x17E && cp % 2 == 1) return cp + 1;
  return cp;
}

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

bool extendsPrevious(char32_t cp) {
  return (cp >= 0x300 && cp <= 0x36F) || (cp >= 0x1AB0 && cp <= 0x1AFF) ||
         (cp >= 0x1DC0 && cp <= 0x1DFF) || (cp >= 0x20D0 && cp <= 0x20FF) ||
         (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xFE20 && cp <= 0xFE2F) ||
         (cp >= 0x1F3FB && cp <= 0x1F3FF) || (cp >= 0xE0100 && cp <= 0xE01EF) || cp == 0x200D;
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

std::string lowercased(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    if (const auto cp = platform::decodeUtf8(text, i); cp == 0x130) {
      // Capital I with dot above is the one letter here whose lower case is two code points.
      out += "i\u0307";
    } else if (cp) {
      append(out, lowerCase(*cp));
    } else {
      out += text[start];
    }
  }
  return out;
}

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

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  bool joined = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto cp = platform::decodeUtf8(text, i);
    if (cp && count > 0 && (joined || extendsPrevious(*cp))) {
      joined = *cp == 0x200D;
      continue;
    }
    joined = false;
    ++count;
  }
  return count;
}

std::string jsonQuoted(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tallylog
