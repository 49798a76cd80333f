#pragma once
// ThrottleAsyncSequence<Base>: at most one element per interval, given out only when an element
// arrives. The first element passes at once; later ones are collected until one arrives at least
// `interval` after the last emission, and then the newest (latest) or the oldest collected element
// is given out and the rest dropped. The collected elements are not given out at the end. Measured
// on steady_clock; the interval is in seconds (NaN is rejected with std::invalid_argument; 0 or
// less lets every element through). Errors pass unchanged. Plain values; runs in the calling task.

#include <chrono>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "async/AsyncSequence.h"

namespace async {

template <AsyncSequence Base>
class ThrottleAsyncSequence {
  using Clock = std::chrono::steady_clock;

 public:
  using Element = ElementOf<Base>;

  class Iterator {
   public:
    using Element = ThrottleAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      for (;;) {
        auto element = co_await base_.next();
        if (!element) co_return element;
        const auto now = Clock::now();
        if (!lastEmission_) {
          lastEmission_ = now;
          co_return element;
        }
        collectedElements_.push_back(std::move(*element));
        const std::chrono::duration<double> elapsed = now - *lastEmission_;
        if (elapsed.count() < interval_) continue;
        lastEmission_ = now;
        auto candidate = std::move(latest_ ? collectedElements_.back() : collectedElements_.front());
        std::vector<Element>().swap(collectedElements_);
        co_return candidate;
      }
    }

   private:
    friend class ThrottleAsyncSequence;
    Iterator(AsyncIteratorOf<Base> base, double interval, bool latest)
        : base_(std::move(base)), interval_(interval), latest_(latest) {}
    AsyncIteratorOf<Base> base_;
    double interval_;
    bool latest_;
    std::vector<Element> collectedElements_;
    std::optional<Clock::time_point> lastEmission_;
  };

  ThrottleAsyncSequence(Base base, double interval, bool latest)
      : base_(std::move(base)), interval_(interval), latest_(latest) {
    if (std::isnan(interval)) throw std::invalid_argument("throttle interval is not a number");
  }

  Iterator makeAsyncIterator() const {
    return Iterator(base_.makeAsyncIterator(), interval_, latest_);
  }

 private:
  Base base_;
  double interval_;
  bool latest_;
};

template <AsyncSequence Base>
ThrottleAsyncSequence<Base> throttle(Base base, double interval, bool latest) {
  return {std::move(base), interval, latest};
}

}  // namespace async
