#pragma once
// The identity a client gives itself towards devices: 32 characters drawn independently and
// uniformly from [a-zA-Z0-9] with the system's random source (rejection sampling, no modulo bias).
// Any thread.

#include <string>
#include <string_view>

namespace device {

inline constexpr std::string_view clientUidAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr std::size_t clientUidLength = 32;

std::string randomClientUid();

}  // namespace device
