#pragma once
// Regular expressions over Unicode text from devices (preset names, confirmation texts), run by
// RE2 in linear time. Their syntax is written in the usual Perl-like notation; RE2 reads \S, \d
// and "." the ASCII way and lets "." take "\r", so unicodePattern() rewrites them:
//   \S   any character but Unicode white space (U+00A0 and the other blanks included)
//   \d   a Unicode decimal digit
//   .    any character but a line break (\n, \v, \f, \r, U+0085, U+2028, U+2029)
//   $    the end of the text, or (FinalLineBreak::allowed) also just before one line break that
//        ends the text ("\r\n" counts as one)
// Inside a bracketed class nothing is rewritten; escaped characters stay as they are.
// Pure functions; the compiled expression is immutable and may be matched from any thread.

#include <memory>
#include <string>
#include <string_view>

namespace re2 {
class RE2;
}

namespace device {

enum class FinalLineBreak { notAllowed, allowed };

std::string unicodePattern(std::string_view syntax, FinalLineBreak dollar = FinalLineBreak::notAllowed);

// The rewritten pattern compiled for UTF-8 text, without RE2's error logging; check ok() before
// use.
std::unique_ptr<const re2::RE2> unicodeExpression(std::string_view syntax,
                                                  FinalLineBreak dollar = FinalLineBreak::notAllowed);

}  // namespace device
