#pragma once
// Times given in seconds (double), as the sequence operators and sources take them, turned into
// the nanosecond durations the task sleep uses: seconds x 1,000,000,000, truncated towards zero.
// Any thread may call these.

#include <chrono>

#include <boost/asio/awaitable.hpp>

namespace async {

namespace asio = boost::asio;

// Throws std::invalid_argument for NaN, infinities and products outside (-1, 2^64) nanoseconds;
// (-1, 0) gives zero. Counts beyond what steady_clock::duration holds (about 292 years) are clamped
// to its maximum.
std::chrono::nanoseconds durationFromSeconds(double seconds);

// Sleeps durationFromSeconds(seconds); throws std::invalid_argument before sleeping for a value
// out of range, CancellationError when the task is (or gets) cancelled.
asio::awaitable<void> sleep(double seconds);

}  // namespace async
