#pragma once
// Device commands awaited by window tasks: the command runs as a task of its own on the pool, so
// its sends and waits stay off the GUI thread; only the awaiting main task resumes there.

#include <utility>

#include "async/TaskHandle.h"

namespace app {

// `command()` returns an asio::awaitable<T>; the result is an awaitable of the command's value
// that rethrows its error. Name the lambda before awaiting (g++ 12 destroys a capturing lambda
// written inside a co_await expression twice).
template <class F>
auto awaitCommand(F command) {
  return async::spawn(std::move(command)).value();
}

}  // namespace app
