#include "async/AsyncSerialQueue.h"

namespace async {

AsyncSerialQueue::QueueTask::QueueTask(std::function<asio::awaitable<void>()> operation)
    : operation_(std::move(operation)) {}

asio::awaitable<void> AsyncSerialQueue::QueueTask::run() {
  if (cancelled()) co_return;
  try {
    co_await operation_();
  } catch (...) {
  }
}

namespace {
using TaskStream = AsyncStream<std::shared_ptr<AsyncSerialQueue::QueueTask>>;
}

AsyncSerialQueue::AsyncSerialQueue(const asio::any_io_executor& executor)
    : continuation_([&] {
        auto [stream, continuation] = TaskStream::makeStream();
        spawn(executor, consume(std::move(stream)));
        return continuation;
      }()) {}

AsyncSerialQueue::~AsyncSerialQueue() { continuation_.finish(); }

std::shared_ptr<AsyncSerialQueue::QueueTask> AsyncSerialQueue::enqueue(
    std::function<asio::awaitable<void>()> operation) {
  auto task = std::make_shared<QueueTask>(std::move(operation));
  continuation_.yield(task);
  return task;
}

asio::awaitable<void> AsyncSerialQueue::consume(TaskStream tasks) {
  auto iterator = tasks.makeAsyncIterator();
  for (;;) {
    auto task = co_await iterator.next();
    if (!task) co_return;
    co_await (*task)->run();
  }
}

}  // namespace async
