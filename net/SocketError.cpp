#include "net/SocketError.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <fmt/format.h>

#include "platform/Utf8.h"

namespace net {

namespace {

std::string describe(std::int32_t code, const std::optional<std::string>& reason) {
  // A negative code prints as a minus sign and the magnitude's hexadecimal digits.
  const std::int64_t wide = code;
  const std::string hex = wide < 0 ? fmt::format("-{:X}", -wide) : fmt::format("{:X}", wide);
  return fmt::format("Error code: {}(0x{}), {}", code, hex,
                     reason ? *reason : std::string(reason::unavailable));
}

// strerror_r comes in two shapes; both are handled so the text never depends on which one we get.
[[maybe_unused]] const char* messageFrom(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* messageFrom(const char* result, const char*) { return result; }

}  // namespace

SocketError::SocketError(std::int32_t errorCode, std::optional<std::string> errorReason,
                         std::int32_t bufferSizeNeeded)
    : domain_(socketDomain),
      errorCode_(errorCode),
      errorReason_(std::move(errorReason)),
      bufferSizeNeeded_(bufferSizeNeeded),
      description_(describe(errorCode_, errorReason_)) {}

std::string systemErrorText(int errorNumber) {
  char buffer[256] = {};
  const char* message = messageFrom(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
  if (message == nullptr || !platform::isValidUtf8(message)) return fmt::format("Error: {}", errorNumber);
  return message;
}

}  // namespace net
