#include "async/Seconds.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "async/Cancellation.h"

namespace async {

std::chrono::nanoseconds durationFromSeconds(double seconds) {
  const double nanoseconds = seconds * 1'000'000'000.0;
  constexpr double twoTo64 = 18446744073709551616.0;
  if (!std::isfinite(nanoseconds) || nanoseconds <= -1.0 || nanoseconds >= twoTo64)
    throw std::invalid_argument("time in seconds out of range: " + std::to_string(seconds));
  const auto count = static_cast<std::uint64_t>(nanoseconds);
  constexpr auto maximum = std::numeric_limits<std::chrono::nanoseconds::rep>::max();
  if (count > static_cast<std::uint64_t>(maximum)) return std::chrono::nanoseconds(maximum);
  return std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(count));
}

asio::awaitable<void> sleep(double seconds) {
  const auto duration = durationFromSeconds(seconds);
  co_await sleep(std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration));
}

}  // namespace async
