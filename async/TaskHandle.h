#pragma once
// Unstructured tasks: `spawn` starts an awaitable on a strand of its own and returns a TaskHandle.
//
// Contract (the same as the tasks the rest of the system is written against):
// - spawn posts; the body never runs inline in the caller, so it may be called under a lock.
// - Each task runs on its own strand with `throw_if_cancelled(false)`: cancellation is sticky and
//   cooperative. It is seen through isCancelled()/checkCancellation() and by the waits that honour
//   it (sleep, stream next()), never by an arbitrary co_await.
// - cancel() may be called from any thread, any number of times, before or after the task starts;
//   a task cancelled before it starts still runs its body, already cancelled.
// - Any number of tasks may await one handle. Awaiting waits for the task's end even when the
//   awaiting task is cancelled meanwhile. Dropping every handle does not stop the task.
// A TaskHandle is a cheap shared reference; copies refer to the same task and may be used from any
// thread.

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include <boost/asio/any_completion_handler.hpp>
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>

#include "async/Executor.h"

namespace async {

namespace detail {

// Wraps a completion handler into one that, when called, hands the handler with `args` to the
// handler's own executor: posted (Post), so completions never run inline in the thread that causes
// them, or dispatched, so that a free strand of the pool runs it at once on a pool thread that
// calls it (where the caller holds no lock and does nothing after it). Before the handler runs,
// whatever cancellation handler the operation put into its slot is removed (on the handler's
// executor, where the slot is used), so a later cancellation cannot reach a finished operation.
template <bool Post, class... Args, class Handler>
asio::any_completion_handler<void(Args...)> completingOn(Handler handler) {
  auto executor = asio::get_associated_executor(handler, poolExecutor());
  return [executor, handler = std::move(handler)](Args... args) mutable {
    auto complete = [handler = std::move(handler), ... args = std::move(args)]() mutable {
      auto slot = asio::get_associated_cancellation_slot(handler);
      if (slot.is_connected()) slot.clear();
      std::move(handler)(std::move(args)...);
    };
    if constexpr (Post) asio::post(executor, std::move(complete));
    else asio::dispatch(executor, std::move(complete));
  };
}

template <class... Args, class Handler>
asio::any_completion_handler<void(Args...)> postingTo(Handler handler) {
  return completingOn<true, Args...>(std::move(handler));
}

// The type-independent part of a task: its strand, cancellation and the list of those waiting.
class TaskCore : public std::enable_shared_from_this<TaskCore> {
 public:
  explicit TaskCore(const asio::any_io_executor& executor);
  TaskCore(const TaskCore&) = delete;
  TaskCore& operator=(const TaskCore&) = delete;
  virtual ~TaskCore();

  // Posts the body onto the task's strand. Called once.
  void start(asio::awaitable<void> body);
  void cancel();
  bool isCancelled() const { return cancelRequested_.load(); }
  bool isFinished() const;
  // The body's exception once finished (null when it returned).
  std::exception_ptr error() const;

  // Completes when the task has ended; the awaiting task's cancellation is ignored. The task's
  // end resumes the waiter on the ending pool thread when the waiter's strand is free there (the
  // task has nothing left to do), else on the waiter's executor.
  asio::awaitable<void> wait();
  // Runs `callback` once the task has ended: at once on the calling thread when it already has,
  // else on the thread that ends it. The callback must not block.
  void onFinish(std::function<void()> callback);
  // Blocks the calling thread until the task has ended. Throws std::logic_error on a pool thread.
  void waitBlocking();

 private:
  static asio::awaitable<void> run(std::shared_ptr<TaskCore> self, asio::awaitable<void> body);
  void finish(std::exception_ptr error);

  asio::any_io_executor strand_;
  asio::cancellation_signal signal_;  // used only on strand_
  bool signalled_ = false;            // used only on strand_
  std::atomic<bool> cancelRequested_{false};
  mutable std::mutex mutex_;
  bool finished_ = false;
  std::exception_ptr error_;
  std::vector<asio::any_completion_handler<void()>> waiters_;
  std::vector<std::function<void()>> callbacks_;
};

template <class T>
class TaskState : public TaskCore {
 public:
  using TaskCore::TaskCore;
  void setValue(T value) { value_.emplace(std::move(value)); }
  // Valid once the task has finished without an error.
  const T& value() const { return *value_; }

 private:
  std::optional<T> value_;  // written on the strand before finish(), read after it
};

template <>
class TaskState<void> : public TaskCore {
 public:
  using TaskCore::TaskCore;
};

template <class A>
struct AwaitableValue;
template <class T>
struct AwaitableValue<asio::awaitable<T>> {
  using type = T;
};

template <class T, class F>
asio::awaitable<void> runBody(std::shared_ptr<TaskState<T>> state, F fn) {
  if constexpr (std::is_void_v<T>) {
    co_await fn();
  } else {
    T value = co_await fn();
    state->setValue(std::move(value));
  }
}

}  // namespace detail

template <class T = void>
class TaskHandle {
 public:
  TaskHandle() = default;
  explicit TaskHandle(std::shared_ptr<detail::TaskState<T>> state) : state_(std::move(state)) {}

  bool valid() const { return state_ != nullptr; }
  void cancel() const { state_->cancel(); }
  bool isCancelled() const { return state_->isCancelled(); }
  bool isFinished() const { return state_->isFinished(); }

  // Waits for the end and ignores the result and the error. Like value(), the awaitable holds the
  // task's state itself, so it may be awaited after the handle it came from is gone
  // (`co_await spawn(...).value()`).
  asio::awaitable<void> wait() const { return waitFor(state_); }

  // Waits for the end; gives the task's value or throws its error.
  asio::awaitable<T> value() const { return valueOf(state_); }

  // Blocks until the end (tests and threads outside the pool only); gives the value or throws.
  T get() const {
    state_->waitBlocking();
    if (auto error = state_->error()) std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>) return state_->value();
  }

  std::shared_ptr<detail::TaskCore> core() const { return state_; }

 private:
  // Coroutines taking the state by value: an awaitable starts only when awaited, by which time a
  // temporary handle (and a `this` captured in a member coroutine) would be gone.
  static asio::awaitable<void> waitFor(std::shared_ptr<detail::TaskState<T>> state) { co_await state->wait(); }
  static asio::awaitable<T> valueOf(std::shared_ptr<detail::TaskState<T>> state) {
    if (!state->isFinished()) co_await state->wait();
    if (auto error = state->error()) std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>) co_return state->value();
  }

  std::shared_ptr<detail::TaskState<T>> state_;
};

// Starts `fn()` (a callable returning asio::awaitable<T>) as a new task on a strand of `executor`.
// The callable is kept alive until its awaitable has finished.
template <class F>
auto spawn(const asio::any_io_executor& executor, F fn)
    -> TaskHandle<typename detail::AwaitableValue<std::invoke_result_t<F&>>::type> {
  using T = typename detail::AwaitableValue<std::invoke_result_t<F&>>::type;
  auto state = std::make_shared<detail::TaskState<T>>(executor);
  state->start(detail::runBody<T>(state, std::move(fn)));
  return TaskHandle<T>(std::move(state));
}

template <class F>
auto spawn(F fn) {
  return spawn(poolExecutor(), std::move(fn));
}

// Starts an awaitable made by calling a coroutine function (its arguments live in its frame).
template <class T>
TaskHandle<T> spawn(const asio::any_io_executor& executor, asio::awaitable<T> body) {
  struct Once {
    asio::awaitable<T> body;
    asio::awaitable<T> operator()() { return std::move(body); }
  };
  return spawn(executor, Once{std::move(body)});
}

template <class T>
TaskHandle<T> spawn(asio::awaitable<T> body) {
  return spawn(poolExecutor(), std::move(body));
}

}  // namespace async
