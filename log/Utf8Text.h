#pragma once
// UTF-8 helpers of the logging library: validity, whole-string lower case, trimming of white space,
// character counts for column widths and JSON string literals. Pure functions, any thread.
// Invalid byte sequences are never an error here: each invalid byte counts as one character of its
// own.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/UnicodeText.h"
#include "platform/Utf8.h"

namespace tallylog {

using platform::isValidUtf8;

// Lower case for case-insensitive filters: the full Unicode mapping (platform/UnicodeText.h).
using platform::lowercased;

// Without the trailing characters that the regular expression "\s+$" matches:
// tab, line feed, form feed, carriage return and the Unicode space separators (categories Zs, Zl,
// Zp).
std::string_view trimTrailingSpace(std::string_view text);

// Without white space and line breaks (the Unicode White_Space property) at both ends.
std::string_view trimWhitespaceAndNewlines(std::string_view text);

// The number of characters as a reader counts them, for column widths: grapheme clusters.
using platform::characterCount;

// The text as a JSON string literal in quotes (quote, backslash and control characters escaped,
// solidus not), with every invalid byte sequence replaced by U+FFFD.
std::string jsonQuoted(std::string_view text);

}  // namespace tallylog
