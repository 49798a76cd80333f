#pragma once
// withTimeout(nanoseconds, error, operation): races an asynchronous operation against a time-out,
// with the time-out as a count of nanoseconds as callers of the OSC library give it. The rules are
// those of async::withTimeout: the losing side is cancelled and awaited before this returns; the
// operation's value or error passes on, or `error` itself is thrown when the time runs out first.
// Call it from a task made by async::spawn.
//
// ThrowingContinuationError::timeout() is the error to pass when the caller has none of its own;
// the library itself never throws it.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>

#include "async/Timeout.h"
#include "osc/OSCError.h"

namespace osc {

enum class ThrowingContinuationErrorCase { timeout };

class ThrowingContinuationError : public OSCCaseError<ThrowingContinuationErrorCase> {
 public:
  static ThrowingContinuationError timeout() { return {Case::timeout, "The operation did not finish in time."}; }

 private:
  using OSCCaseError::OSCCaseError;
};

// Nanoseconds as a clock duration; counts beyond the clock's range wait as long as it can.
inline std::chrono::steady_clock::duration nanosecondsDuration(std::uint64_t nanoseconds) {
  using Nanoseconds = std::chrono::nanoseconds;
  constexpr auto limit = static_cast<std::uint64_t>(std::chrono::duration_cast<Nanoseconds>(
                                                        std::chrono::steady_clock::duration::max())
                                                        .count());
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      Nanoseconds(static_cast<Nanoseconds::rep>(std::min(nanoseconds, limit))));
}

template <class E, class F>
auto withTimeout(std::uint64_t nanoseconds, E error, F operation) {
  return async::withTimeout(nanosecondsDuration(nanoseconds), std::move(error), std::move(operation));
}

}  // namespace osc
