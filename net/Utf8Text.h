#pragma once
// UTF-8 checks for texts that come from the operating system (error messages, interface names).
// Pure functions; safe from any thread.

#include <string>
#include <string_view>

namespace net {

bool isValidUtf8(std::string_view bytes);
// The bytes with every invalid sequence replaced by U+FFFD.
std::string replacingInvalidUtf8(std::string_view bytes);

}  // namespace net
