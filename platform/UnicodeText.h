#pragma once
// Unicode text rules on ICU, for names and log text: full lower-case mapping (root locale) for
// case-insensitive comparison, characters as a reader counts them (extended grapheme clusters)
// for column widths, and NFC for names that are compared or sorted. Pure functions; any thread.
//
// Text is UTF-8. Bytes that are not well-formed UTF-8 are never an error here: lowercased() and
// nfcNormalized() keep them as they are, characterCount() counts each as one character.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The full lower-case mapping of the root locale ("Ґ" -> "ґ", "Ａ" -> "ａ", "İ" -> "i̇").
std::string lowercased(std::string_view text);

// The number of extended grapheme clusters: a flag, "कि" or a Hangul jamo syllable is one.
std::size_t characterCount(std::string_view text);

// Normalization Form C (composed): "e" + U+0301 becomes "é".
std::string nfcNormalized(std::string_view text);

}  // namespace platform
