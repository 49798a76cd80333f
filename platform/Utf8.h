#pragma once
// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) for texts from outside:
// datagrams, system messages, interface names, log lines. Pure functions; safe from any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Length of the well-formed sequence that starts at `at` (1 to 4), or 0 when it is not well formed.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at);
// The code point at `at`, advancing `at` past it; an ill-formed sequence gives nothing and
// advances by one byte.
std::optional<char32_t> decodeUtf8(std::string_view bytes, std::size_t& at);

bool isValidUtf8(std::string_view bytes);
// The bytes with every ill-formed sequence replaced by U+FFFD.
std::string replacingInvalidUtf8(std::string_view bytes);

}  // namespace platform
