#pragma once
// Cooperative cancellation of the current task (one made by spawn). Cancellation is sticky: once a
// task is cancelled, isCancelled() stays true for the rest of its life.

#include <chrono>
#include <exception>

#include <boost/asio/awaitable.hpp>

namespace async {

namespace asio = boost::asio;

// Thrown by checkCancellation, sleep and the other waits that honour cancellation. One type
// everywhere.
struct CancellationError : std::exception {
  const char* what() const noexcept override { return "The operation was cancelled."; }
};

bool isCancellationError(const std::exception_ptr& error);

asio::awaitable<bool> isCancelled();

// Throws CancellationError when the current task has been cancelled.
asio::awaitable<void> checkCancellation();

// Suspends the current task for `duration`; throws CancellationError when it is (or gets)
// cancelled. Zero or negative durations still yield once.
asio::awaitable<void> sleep(std::chrono::steady_clock::duration duration);

}  // namespace async
