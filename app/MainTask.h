#pragma once
// Tasks on the GUI thread, the program's main actor.
//
// A main task (spawnOnMain) is an async::spawn task whose strand lies on the GUI executor: its body,
// every continuation after an await and its cancellation all run on the GUI thread, so it may touch
// widgets between awaits. Awaited work of other tasks (device commands) runs on their own
// executors; only the continuation comes back here. Window code keeps its widgets in QPointer
// across awaits and touches nothing once the pointer is null: a task may outlive its window.
// The GUI thread never blocks on a task (TaskHandle::get()); it awaits or uses onFinish instead.

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include <boost/asio/awaitable.hpp>

#include "app/GuiExecutor.h"
#include "async/TaskHandle.h"

namespace app {

// Starts `fn()` (a callable returning asio::awaitable<T>) as a main task. Any thread may call it;
// the body starts later, from the GUI event loop.
template <class F>
auto spawnOnMain(F fn) {
  return async::spawn(guiExecutor(), std::move(fn));
}

// Continues the awaiting main task on the GUI thread after the events queued before it have been
// handled. Only for main tasks: anywhere else it throws std::logic_error without suspending, since
// a coroutine hopping off its own strand could race its cancellation; code on other executors
// hands its GUI work to runOnMain instead.
asio::awaitable<void> onMain();

namespace detail {
asio::awaitable<void> runOnMainErased(std::function<void()> work);
}

// Runs `fn()` on the GUI thread and gives its result (or rethrows its exception) to the awaiting
// coroutine, which resumes on its own executor. Not cancellable: keep `fn` short.
template <class F>
auto runOnMain(F fn) -> asio::awaitable<std::invoke_result_t<F&>> {
  using R = std::invoke_result_t<F&>;
  if constexpr (std::is_void_v<R>) {
    co_await detail::runOnMainErased(std::function<void()>(std::move(fn)));
  } else {
    std::optional<R> result;
    std::function<void()> work = [&result, &fn] { result.emplace(fn()); };
    co_await detail::runOnMainErased(std::move(work));
    co_return std::move(*result);
  }
}

}  // namespace app
