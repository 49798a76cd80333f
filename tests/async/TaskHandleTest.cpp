// Tasks, time-outs and the queues that run tasks in turn.
#include "async/TaskHandle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/AsyncQueue.h"
#include "async/AsyncSerialQueue.h"
#include "async/Cancellation.h"
#include "async/Timeout.h"
#include "tests/async/EventLog.h"

namespace async {
namespace {

using namespace std::chrono_literals;

struct TimeoutError : std::runtime_error {
  TimeoutError() : std::runtime_error("timed out") {}
};

asio::awaitable<int> fail() {
  throw std::runtime_error("boom");
  co_return 0;
}
asio::awaitable<int> sleepThenAnswer(std::chrono::milliseconds delay) {
  co_await sleep(delay);
  co_return 42;
}

TEST(TaskHandle, manyTasksAwaitOneHandleForItsValueOrItsEnd) {
  auto shared = spawn(sleepThenAnswer(20ms));
  auto failing = spawn(fail());
  std::vector<TaskHandle<int>> waiters;
  for (int i = 0; i < 16; ++i)
    waiters.push_back(spawn([shared, failing]() -> asio::awaitable<int> {
      co_await failing.wait();  // wait() ignores the error
      const int value = co_await shared.value();
      co_return failing.isFinished() ? value : 0;
    }));
  for (auto& waiter : waiters) EXPECT_EQ(waiter.get(), 42);
  EXPECT_THROW(failing.get(), std::runtime_error);
}

TEST(TaskHandle, aTemporaryHandleCanBeAwaitedForItsValueAndItsEnd) {
  // The awaitables start only when awaited, after the temporary handles are gone.
  auto outer = spawn([]() -> asio::awaitable<int> {
    co_await spawn(sleepThenAnswer(5ms)).wait();
    const int value = co_await spawn(sleepThenAnswer(5ms)).value();
    co_return value;
  });
  EXPECT_EQ(outer.get(), 42);
}

thread_local bool insideSpawn = false;

TEST(TaskHandle, neverRunsTheBodyInline) {
  auto outer = spawn([]() -> asio::awaitable<bool> {
    insideSpawn = true;
    auto inner = spawn([]() -> asio::awaitable<bool> { co_return insideSpawn; });
    insideSpawn = false;
    const bool ranInline = co_await inner.value();
    co_return ranInline;
  });
  EXPECT_FALSE(outer.get());
}

TEST(TaskHandle, cancelledWaiterStillWaitsForTheEnd) {
  auto slow = spawn(sleepThenAnswer(50ms));
  auto waiter = spawn([slow]() -> asio::awaitable<std::pair<bool, int>> {
    const int value = co_await slow.value();
    const bool cancelled = co_await isCancelled();
    co_return std::pair{slow.isFinished() && cancelled, value};
  });
  std::this_thread::sleep_for(10ms);
  waiter.cancel();
  EXPECT_EQ(waiter.get(), (std::pair{true, 42}));
}

TEST(TaskHandle, handsItsValueWholeToWaitersCancelledAsItEndsAndToLaterOnes) {
  // The end resumes a waiter on the ending thread where it can; cancellations cross it.
  for (int round = 0; round < 200; ++round) {
    const std::string expected(64, static_cast<char>('a' + round % 26));
    auto task = spawn([expected]() -> asio::awaitable<std::string> { co_return expected; });
    auto early = spawn([task]() -> asio::awaitable<std::string> { co_return co_await task.value(); });
    if (round % 2 == 1) early.cancel();
    task.cancel();
    auto late = spawn([task]() -> asio::awaitable<std::string> { co_return co_await task.value(); });
    EXPECT_EQ(early.get(), expected);
    EXPECT_EQ(late.get(), expected);
  }
}

TEST(TaskHandle, cancelledBeforeStartRunsItsBodyCancelled) {
  asio::io_context context;  // not running yet: the task cannot start before cancel()
  auto task = spawn(context.get_executor(),
                    []() -> asio::awaitable<bool> { co_return co_await isCancelled(); });
  task.cancel();
  context.run();
  EXPECT_TRUE(task.get());
}

TEST(TaskHandle, cancellationIsStickyAndCooperative) {
  auto task = spawn([]() -> asio::awaitable<int> {
    try {
      co_await sleep(10s);
    } catch (const CancellationError&) {
    }
    // Later awaits go on working; only explicit checks see the cancellation.
    const int value = co_await spawn(sleepThenAnswer(0ms)).value();
    const bool cancelled = co_await isCancelled();
    if (cancelled) co_await checkCancellation();
    co_return value;
  });
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(10ms);
  task.cancel();
  EXPECT_THROW(task.get(), CancellationError);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

TEST(WithTimeout, racesTheOperationAgainstTheClockAndJoinsTheLoser) {
  struct Case {
    std::chrono::milliseconds operation, timeout;
    bool fails, cancelCaller;
    std::string expected;  // the value or the error's text
  };
  for (const Case& c : {Case{0ms, 2s, false, false, "42"},
                        Case{5s, 30ms, false, false, "timed out"},
                        Case{0ms, 1s, true, false, "boom"},
                        Case{10s, 10s, false, true, "CancellationError"}}) {
    SCOPED_TRACE(c.expected);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto task = spawn([c, ended]() -> asio::awaitable<int> {
      auto op = [c, ended]() -> asio::awaitable<int> {
        struct Mark {
          std::shared_ptr<std::atomic<bool>> ended;
          ~Mark() { *ended = true; }
        } mark{ended};
        if (c.fails) throw std::runtime_error("boom");
        const int value = co_await sleepThenAnswer(c.operation);
        co_return value;
      };
      const int value = co_await withTimeout(c.timeout, TimeoutError{}, std::move(op));
      EXPECT_TRUE(ended->load());  // the losing side is joined before withTimeout returns
      co_return value;
    });
    if (c.cancelCaller) {
      std::this_thread::sleep_for(10ms);
      task.cancel();
    }
    // Told by type, not by what(): the error object may be freed on a pool thread through
    // libstdc++'s reference counts, which ThreadSanitizer does not see.
    std::string outcome;
    try {
      outcome = std::to_string(task.get());
    } catch (const TimeoutError&) {
      outcome = "timed out";
    } catch (const CancellationError&) {
      outcome = "CancellationError";
    } catch (const std::runtime_error&) {
      outcome = "boom";
    }
    EXPECT_EQ(outcome, c.expected);
    EXPECT_TRUE(ended->load());
  }
}

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
