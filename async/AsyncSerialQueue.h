#pragma once
// AsyncSerialQueue: a serial queue whose work travels as QueueTask objects through a stream to one
// consumer task, which runs them one after another in the order they were added and skips those
// cancelled before their turn. An operation's error is dropped (it does not stop the queue).
// Any thread may enqueue and cancel. When the queue goes it finishes its stream: the consumer runs
// what is already queued, then ends.

#include <atomic>
#include <functional>
#include <memory>

#include "async/AsyncStream.h"

namespace async {

class AsyncSerialQueue {
 public:
  class QueueTask {
   public:
    explicit QueueTask(std::function<asio::awaitable<void>()> operation);
    bool cancelled() const { return cancelled_.load(); }
    void cancel() { cancelled_ = true; }
    // Runs the operation unless cancelled; errors are swallowed.
    asio::awaitable<void> run();

   private:
    std::atomic<bool> cancelled_{false};
    std::function<asio::awaitable<void>()> operation_;
  };

  explicit AsyncSerialQueue(const asio::any_io_executor& executor = poolExecutor());
  AsyncSerialQueue(const AsyncSerialQueue&) = delete;
  AsyncSerialQueue& operator=(const AsyncSerialQueue&) = delete;
  ~AsyncSerialQueue();

  // Queues `operation`; the returned task can be cancelled until it starts.
  std::shared_ptr<QueueTask> enqueue(std::function<asio::awaitable<void>()> operation);

 private:
  static asio::awaitable<void> consume(AsyncStream<std::shared_ptr<QueueTask>> tasks);

  AsyncStream<std::shared_ptr<QueueTask>>::Continuation continuation_;
};

}  // namespace async
