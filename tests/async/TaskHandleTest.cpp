#include "async/TaskHandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include <boost/asio/io_context.hpp>

#include "async/Cancellation.h"
#include "async/Timeout.h"

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

}  // namespace
}  // namespace async
