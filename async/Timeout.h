#pragma once
// withTimeout(duration, error, op): runs `op()` (a callable returning asio::awaitable<T>) as a
// child task and races it against `duration`. Whichever side loses is cancelled and joined before
// withTimeout returns:
// - op ends first: its value is returned or its error rethrown;
// - the time runs out first: op is cancelled, awaited to its end, and `error` is thrown;
// - the calling task is cancelled meanwhile: op is cancelled and its outcome is passed on.
// Call it from a task made by spawn (it uses the caller's strand).

#include <chrono>
#include <memory>

#include "async/TaskHandle.h"

namespace async {

namespace detail {
// Waits until `child` ends, `duration` passes or the caller is cancelled; cancels and joins the
// child unless it ended by itself. True when the time ran out first.
asio::awaitable<bool> raceTimeout(std::shared_ptr<TaskCore> child,
                                  std::chrono::steady_clock::duration duration);
}  // namespace detail

template <class E, class F>
auto withTimeout(std::chrono::steady_clock::duration duration, E error, F op)
    -> asio::awaitable<typename detail::AwaitableValue<std::invoke_result_t<F&>>::type> {
  using T = typename detail::AwaitableValue<std::invoke_result_t<F&>>::type;
  auto child = spawn(std::move(op));
  const bool timedOut = co_await detail::raceTimeout(child.core(), duration);
  if (timedOut) throw error;
  if constexpr (std::is_void_v<T>) {
    co_await child.value();
  } else {
    T value = co_await child.value();
    co_return value;
  }
}

}  // namespace async
