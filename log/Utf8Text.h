#pragma once
// UTF-8 helpers of the logging library: validity, whole-string lower case, trimming of white space,
// character counts for column widths and JSON string literals. Pure functions, any thread.
// Invalid byte sequences are never an error here: each invalid byte counts as one character of its
// own.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Utf8.h"

namespace tallylog {

using platform::isValidUtf8;

// Lower case of Latin (ASCII, Latin-1, Latin Extended-A), Greek and Cyrillic letters; everything
// else, invalid bytes included, is kept as it is.
std::string lowercased(std::string_view text);

// Without the trailing characters that the regular expression "\s+$" matches:
// tab, line feed, form feed, carriage return and the Unicode space separators (categories Zs, Zl,
// Zp).
std::string_view trimTrailingSpace(std::string_view text);

// Without white space and line breaks (the Unicode White_Space property) at both ends.
std::string_view trimWhitespaceAndNewlines(std::string_view text);

// The number of characters as a reader counts them: code points, where combining marks, variation
// selectors, emoji modifiers and the code point after a zero-width joiner extend the character
// before.
std::size_t characterCount(std::string_view text);

// The text as a JSON string literal in quotes (quote, backslash and control characters escaped,
// solidus not), with every invalid byte sequence replaced by U+FFFD.
std::string jsonQuoted(std::string_view text);

}  // namespace tallylog
