#pragma once
// Device commands awaited by window tasks: the command runs as a task of its own on the pool, so
// its sends and waits stay off the GUI thread; only the awaiting main task resumes there.

#include <type_traits>
#include <utility>

#include <boost/asio/awaitable.hpp>

#include "async/TaskHandle.h"

namespace app {

// `command()` returns an asio::awaitable<T>; awaiting the result gives the command's value or
// rethrows its error. Name the lambda before awaiting (g++ 12 destroys a capturing lambda written
// inside a co_await expression twice).
template <class F, class T = typename async::detail::AwaitableValue<std::invoke_result_t<F&>>::type>
boost::asio::awaitable<T> awaitCommand(F command) {
  // The handle lives in this frame: TaskHandle::value() reads its handle when first resumed.
  auto task = async::spawn(std::move(command));
  if constexpr (std::is_void_v<T>) {
    co_await task.value();
  } else {
    co_return co_await task.value();
  }
}

}  // namespace app
