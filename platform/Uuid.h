#pragma once
// A new random UUID as its 36-character upper-case text. Thread-safe.

#include <string>

namespace platform {

std::string newUuidText();

}  // namespace platform
