#include "async/TaskHandle.h"

#include <condition_variable>
#include <stdexcept>

#include <boost/asio/async_result.hpp>
#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace async::detail {

TaskCore::TaskCore(const asio::any_io_executor& executor) : strand_(asio::make_strand(executor)) {}

TaskCore::~TaskCore() = default;

void TaskCore::start(asio::awaitable<void> body) {
  // co_spawn from inside the strand would run the body inline; posting keeps the caller out of it.
  asio::post(strand_, [self = shared_from_this(), body = std::move(body)]() mutable {
    // The completion handler keeps the core (and with it the signal that co_spawn's cancellation
    // state lives in) until the coroutine has completely unwound.
    auto done = [self](std::exception_ptr) {};
    asio::co_spawn(self->strand_, run(self, std::move(body)),
                   asio::bind_cancellation_slot(self->signal_.slot(), std::move(done)));
  });
}

asio::awaitable<void> TaskCore::run(std::shared_ptr<TaskCore> self, asio::awaitable<void> body) {
  co_await asio::this_coro::throw_if_cancelled(false);
  if (self->cancelRequested_.load() && !self->signalled_) {
    self->signalled_ = true;
    self->signal_.emit(asio::cancellation_type::terminal);
  }
  std::exception_ptr error;
  try {
    co_await std::move(body);
  } catch (...) {
    error = std::current_exception();
  }
  self->finish(error);
}

void TaskCore::cancel() {
  if (cancelRequested_.exchange(true)) return;
  asio::post(strand_, [self = shared_from_this()] {
    // Before the body started run() emits itself; after the end there is nothing to reach.
    if (self->signalled_ || self->isFinished()) return;
    self->signalled_ = true;
    self->signal_.emit(asio::cancellation_type::terminal);
  });
}

bool TaskCore::isFinished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

std::exception_ptr TaskCore::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void TaskCore::finish(std::exception_ptr error) {
  std::vector<asio::any_completion_handler<void()>> waiters;
  std::vector<std::function<void()>> callbacks;
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = std::move(error);
    waiters.swap(waiters_);
    callbacks.swap(callbacks_);
  }
  // The callbacks are short; a waiter may go on running on this thread.
  for (auto& callback : callbacks) callback();
  for (auto& waiter : waiters) std::move(waiter)();
}

asio::awaitable<void> TaskCore::wait() {
  auto initiation = [self = shared_from_this()](auto handler) {
    {
      std::lock_guard lock(self->mutex_);
      if (!self->finished_) {
        // No cancellation handler on purpose: a cancelled waiter still waits for the end.
        // finish() calls it at the very end of the task, with no lock held: the waiter may go on
        // at once on that thread, on its own strand, instead of waking another thread.
        self->waiters_.push_back(completingOn<false>(std::move(handler)));
        return;
      }
    }
    // Never inline in the waiter's own initiation.
    postingTo(std::move(handler))();
  };
  return asio::async_initiate<const asio::use_awaitable_t<>&, void()>(std::move(initiation),
                                                                       asio::use_awaitable);
}

void TaskCore::onFinish(std::function<void()> callback) {
  {
    std::lock_guard lock(mutex_);
    if (!finished_) {
      callbacks_.push_back(std::move(callback));
      return;
    }
  }
  callback();
}

void TaskCore::waitBlocking() {
  if (pool().get_executor().running_in_this_thread())
    throw std::logic_error("TaskHandle: blocking wait on a pool thread");
  struct Signal {
    std::mutex mutex;
    std::condition_variable condition;
    bool done = false;
  };
  auto signal = std::make_shared<Signal>();
  onFinish([signal] {
    std::lock_guard lock(signal->mutex);
    signal->done = true;
    signal->condition.notify_all();
  });
  std::unique_lock lock(signal->mutex);
  signal->condition.wait(lock, [&] { return signal->done; });
}

}  // namespace async::detail
