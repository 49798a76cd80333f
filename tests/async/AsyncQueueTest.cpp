#include "async/AsyncQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/this_coro.hpp>

#include "async/AsyncSerialQueue.h"
#include "async/Cancellation.h"
#include "tests/async/EventLog.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Attributes = AsyncQueue::Attributes;
using Lines = std::vector<std::string>;
using Log = test::EventLog<std::string>;

// An operation that logs "+name" at its start and "-name" at its end, then throws when asked.
auto logged(std::shared_ptr<Log> log, std::string name, std::chrono::milliseconds duration,
            bool fails = false) {
  return [log, name, duration, fails]() -> asio::awaitable<void> {
    log->record("+" + name);
    co_await sleep(duration);
    log->record("-" + name);
    if (fails) throw std::runtime_error(name);
  };
}

// An operation that logs "+name", waits (up to 5 s) until every line of `awaited` is in the log,
// then logs "-name": it ends early only when the operations it waits for run beside it.
auto meeting(std::shared_ptr<Log> log, std::string name, Lines awaited) {
  return [log, name, awaited]() -> asio::awaitable<void> {
    log->record("+" + name);
    auto present = [&] {
      const auto lines = log->values();
      return std::all_of(awaited.begin(), awaited.end(), [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
      });
    };
    for (int i = 0; i < 5000 && !present(); ++i) co_await sleep(1ms);
    log->record("-" + name);
  };
}

TEST(AsyncQueue, serialQueueRunsOneAfterAnotherAndGoesOnAfterAFailure) {
  auto log = std::make_shared<Log>();
  AsyncQueue queue;
  auto a = queue.addThrowingOperation(logged(log, "A", 20ms, true));
  queue.addOperation(logged(log, "B", 1ms));
  queue.addOperation(logged(log, "C", 0ms)).get();
  EXPECT_THROW(a.get(), std::runtime_error);
  EXPECT_EQ(log->values(), (Lines{"+A", "-A", "+B", "-B", "+C", "-C"}));
  EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(AsyncQueue, concurrentQueueRunsSideBySideBetweenBarriers) {
  auto log = std::make_shared<Log>();
  AsyncQueue queue({Attributes::concurrent, Attributes::publishErrors});
  queue.addOperation(meeting(log, "A", {"+B"}));
  queue.addOperation(meeting(log, "B", {"+A"}));
  queue.addBarrierOperation(logged(log, "X", 10ms));       // waits for A and B
  queue.addOperation(meeting(log, "C", {"+D", "-P"}));  // C, D and P wait for X only
  queue.addOperation(meeting(log, "D", {"+C"}));
  queue.addOperation(logged(log, "P", 0ms));
  queue.addBarrierOperation(logged(log, "Y", 0ms)).get();  // waits for X and all after it
  const auto lines = log->values();
  auto at = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  };
  EXPECT_LT(at("+B"), at("-A"));
  EXPECT_LT(at("+A"), at("-B"));
  EXPECT_GT(at("+X"), std::max(at("-A"), at("-B")));
  EXPECT_GT(std::min({at("+C"), at("+D"), at("+P")}), at("-X"));
  EXPECT_LT(at("+D"), at("-C"));
  EXPECT_LT(at("-P"), at("-C"));
  EXPECT_LT(at("+C"), at("-D"));
  EXPECT_GT(at("+Y"), std::max({at("-C"), at("-D"), at("-P")}));
  EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(AsyncQueue, publishesErrorsButNeverCancellations) {
  AsyncQueue queue(Attributes::publishErrors);
  auto cancelled = queue.addThrowingOperation([]() -> asio::awaitable<void> {
    throw CancellationError{};
    co_return;
  });
  // A raw asio wait cut short by cancelAllOperations() ends in operation_aborted: a cancellation too.
  auto started = std::make_shared<std::atomic<bool>>(false);
  auto aborted = queue.addThrowingOperation([started]() -> asio::awaitable<void> {
    asio::steady_timer timer(co_await asio::this_coro::executor, 10s);
    *started = true;
    co_await timer.async_wait(asio::use_awaitable);
  });
  while (!*started) std::this_thread::sleep_for(1ms);
  queue.cancelAllOperations();
  auto failed = queue.addThrowingOperation(logged(std::make_shared<Log>(), "published", 0ms, true));
  EXPECT_THROW(cancelled.get(), CancellationError);
  EXPECT_THROW(aborted.get(), boost::system::system_error);
  EXPECT_THROW(failed.get(), std::runtime_error);
  auto first = spawn([errors = queue.errorSequence()]() -> asio::awaitable<std::string> {
    auto it = errors.makeAsyncIterator();
    auto error = co_await it.next();
    try {
      std::rethrow_exception(*error);
    } catch (const std::exception& e) {
      co_return e.what();
    }
  });
  EXPECT_EQ(first.get(), "published");
}

TEST(AsyncQueue, cancelledOperationsStillWaitAndRunInOrder) {
  auto log = std::make_shared<Log>();
  AsyncQueue queue;
  queue.cancelAllOperations();  // nothing pending: nothing happens
  auto slow = spawn(sleep(30ms));
  queue.addOperation([slow, log]() -> asio::awaitable<void> {
    log->record("+A");
    co_await slow.wait();  // not cut short by A's cancellation
    log->record("-A");
  });
  auto b = queue.addOperation([log]() -> asio::awaitable<bool> {
    log->record("+B");
    co_return co_await isCancelled();
  });
  queue.cancelAllOperations();
  EXPECT_EQ(queue.pendingCount(), 2u);  // entries go only when their tasks end
  EXPECT_TRUE(b.get());
  EXPECT_EQ(log->values(), (Lines{"+A", "-A", "+B"}));
}

TEST(AsyncQueue, operationsMayAddOperations) {
  auto log = std::make_shared<Log>();
  auto queue = std::make_shared<AsyncQueue>();
  auto outer = queue->addOperation([queue, log]() -> asio::awaitable<TaskHandle<void>> {
    log->record("+outer");
    auto inner = queue->addOperation(logged(log, "inner", 0ms));
    co_await sleep(5ms);
    log->record("-outer");
    co_return inner;
  });
  outer.get().get();
  EXPECT_EQ(log->values(), (Lines{"+outer", "-outer", "+inner", "-inner"}));
}

TEST(AsyncSerialQueue, runsInOrderSkipsCancelledAndDrainsWhenReleased) {
  auto log = std::make_shared<Log>();
  {
    AsyncSerialQueue queue;
    queue.enqueue(logged(log, "1", 20ms, true));  // its error is dropped
    queue.enqueue(logged(log, "2", 2ms));
    queue.enqueue(logged(log, "3", 2ms))->cancel();
    queue.enqueue(logged(log, "4", 0ms));
  }  // released with work still queued: the work still runs
  ASSERT_TRUE(log->waitFor(6));
  EXPECT_EQ(log->values(), (Lines{"+1", "-1", "+2", "-2", "+4", "-4"}));
}

}  // namespace
}  // namespace async
