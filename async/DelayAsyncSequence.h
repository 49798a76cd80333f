#pragma once
// DelayAsyncSequence<Base>: spaces the pulls from the base. Before each pull it waits until
// `interval` has passed since the previous pull returned (the first call measures from its own
// start), so time the consumer spends between calls counts towards the wait. A cancelled wait
// still pulls. Measured on steady_clock. The interval is in seconds: 0 or less means no wait;
// NaN, +infinity and values too large for the task sleep are rejected with std::invalid_argument.
// Errors and the end pass unchanged. Plain values; the wait runs in the calling task.

#include <chrono>
#include <optional>
#include <utility>

#include "async/AsyncSequence.h"
#include "async/Cancellation.h"
#include "async/Seconds.h"

namespace async {

template <AsyncSequence Base>
class DelayAsyncSequence {
  using Clock = std::chrono::steady_clock;

 public:
  using Element = ElementOf<Base>;

  class Iterator {
   public:
    using Element = DelayAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      const auto reference = lastEmission_.value_or(Clock::now());
      const auto remaining = interval_ - (Clock::now() - reference);
      if (remaining > Clock::duration::zero()) {
        try {
          co_await sleep(remaining);
        } catch (const CancellationError&) {
        }
      }
      struct Stamp {  // whatever the pull gives, its end is the new reference
        std::optional<Clock::time_point>& lastEmission;
        ~Stamp() { lastEmission = Clock::now(); }
      };
      Stamp stamp{lastEmission_};
      co_return co_await iterator_.next();
    }

   private:
    friend class DelayAsyncSequence;
    Iterator(Clock::duration interval, AsyncIteratorOf<Base> iterator)
        : interval_(interval), iterator_(std::move(iterator)) {}
    Clock::duration interval_;
    AsyncIteratorOf<Base> iterator_;
    std::optional<Clock::time_point> lastEmission_;
  };

  DelayAsyncSequence(Base base, double interval)
      : base_(std::move(base)), interval_(waitOf(interval)) {}

  Iterator makeAsyncIterator() const { return Iterator(interval_, base_.makeAsyncIterator()); }

 private:
  static Clock::duration waitOf(double interval) {
    if (interval <= 0) return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(durationFromSeconds(interval));
  }

  Base base_;
  Clock::duration interval_;
};

template <AsyncSequence Base>
DelayAsyncSequence<Base> delay(Base base, double interval) {
  return {std::move(base), interval};
}

}  // namespace async
