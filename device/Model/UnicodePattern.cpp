#include "device/Model/UnicodePattern.h"

#include <re2/re2.h>

namespace device {
namespace {

constexpr std::string_view kNonSpace =
    R"([^\t\n\x0B\f\r \x{85}\x{A0}\x{1680}\x{2000}-\x{200A}\x{2028}\x{2029}\x{202F}\x{205F}\x{3000}])";
constexpr std::string_view kDigit = R"(\p{Nd})";
constexpr std::string_view kLineBreaks = R"(\n\x0B\f\r\x{85}\x{2028}\x{2029})";

}  // namespace

std::string unicodePattern(std::string_view syntax, FinalLineBreak dollar) {
  std::string pattern;
  bool inClass = false;
  for (std::size_t i = 0; i < syntax.size(); ++i) {
    const char c = syntax[i];
    if (c == '\\' && i + 1 < syntax.size()) {
      const char escaped = syntax[++i];
      if (!inClass && escaped == 'S') {
        pattern += kNonSpace;
      } else if (!inClass && escaped == 'd') {
        pattern += kDigit;
      } else {
        pattern += '\\';
        pattern += escaped;
      }
    } else if (inClass) {
      // "]" right after "[" or "[^" is a member, not the end of the class.
      const bool leading = syntax[i - 1] == '[' || (syntax[i - 1] == '^' && syntax[i - 2] == '[');
      if (c == ']' && !leading) inClass = false;
      pattern += c;
    } else if (c == '[') {
      inClass = true;
      pattern += c;
    } else if (c == '.') {
      pattern += "[^";
      pattern += kLineBreaks;
      pattern += ']';
    } else if (c == '$' && dollar == FinalLineBreak::allowed) {
      pattern += R"((?:\r\n|[)";
      pattern += kLineBreaks;
      pattern += R"(])?\z)";
    } else {
      pattern += c;
    }
  }
  return pattern;
}

std::unique_ptr<const re2::RE2> unicodeExpression(std::string_view syntax, FinalLineBreak dollar) {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingUTF8);
  options.set_log_errors(false);
  return std::make_unique<const RE2>(unicodePattern(syntax, dollar), options);
}

}  // namespace device
