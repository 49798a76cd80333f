#pragma once
// Empty<E>: gives no element. With completeImmediately it ends at once; without, each next()
// waits (in effect until its task is cancelled) and then ends. Never throws. Its own iterator.

#include <chrono>
#include <optional>

#include "async/Cancellation.h"

namespace async {

template <class E>
class Empty {
 public:
  using Element = E;
  explicit Empty(bool completeImmediately = true) : completeImmediately_(completeImmediately) {}

  Empty makeAsyncIterator() const { return *this; }

  asio::awaitable<std::optional<E>> next() {
    if (!completeImmediately_) {
      try {
        co_await sleep(std::chrono::nanoseconds(999'999'999'000'000'000));
      } catch (const CancellationError&) {
      }
    }
    co_return std::nullopt;
  }

 private:
  bool completeImmediately_;
};

}  // namespace async
