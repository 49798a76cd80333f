#include "async/TaskHandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
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

asio::awaitable<int> answer() { co_return 42; }
asio::awaitable<int> fail() {
  throw std::runtime_error("boom");
  co_return 0;
}
asio::awaitable<int> sleepThenAnswer(std::chrono::milliseconds delay) {
  co_await sleep(delay);
  co_return 42;
}

TEST(TaskHandle, givesTheValueOrRethrowsTheError) {
  EXPECT_EQ(spawn(answer()).get(), 42);
  EXPECT_THROW(spawn(fail()).get(), std::runtime_error);
  auto failing = spawn(fail());
  auto waiter = spawn([failing]() -> asio::awaitable<bool> {
    co_await failing.wait();  // wait() ignores the error
    co_return failing.isFinished();
  });
  EXPECT_TRUE(waiter.get());
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

TEST(TaskHandle, manyTasksAwaitOneHandle) {
  auto shared = spawn(sleepThenAnswer(20ms));
  std::vector<TaskHandle<int>> waiters;
  for (int i = 0; i < 16; ++i)
    waiters.push_back(spawn([shared]() -> asio::awaitable<int> {
      const int value = co_await shared.value();
      co_return value;
    }));
  for (auto& waiter : waiters) EXPECT_EQ(waiter.get(), 42);
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
    const int value = co_await spawn(answer()).value();
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

TEST(WithTimeout, racesTheOperationAgainstTheClock) {
  struct Case {
    const char* name;
    std::chrono::milliseconds operation;
    std::chrono::milliseconds timeout;
    bool timesOut;
  };
  for (const Case& c : {Case{"fast", 0ms, 2000ms, false}, Case{"slow", 5000ms, 30ms, true}}) {
    SCOPED_TRACE(c.name);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto task = spawn([c, ended]() -> asio::awaitable<int> {
      auto op = [c, ended]() -> asio::awaitable<int> {
        struct Mark {
          std::shared_ptr<std::atomic<bool>> ended;
          ~Mark() { *ended = true; }
        } mark{ended};
        const int value = co_await sleepThenAnswer(c.operation);
        co_return value;
      };
      const int value = co_await withTimeout(c.timeout, TimeoutError{}, std::move(op));
      // The losing side has been joined before withTimeout returns or throws.
      EXPECT_TRUE(ended->load());
      co_return value;
    });
    if (c.timesOut) {
      EXPECT_THROW(task.get(), TimeoutError);
    } else {
      EXPECT_EQ(task.get(), 42);
    }
    EXPECT_TRUE(ended->load());
  }
}

TEST(WithTimeout, passesOnTheOperationsErrorAndTheCallersCancellation) {
  auto failing = spawn([]() -> asio::awaitable<int> {
    const int value = co_await withTimeout(1s, TimeoutError{}, fail);
    co_return value;
  });
  EXPECT_THROW(failing.get(), std::runtime_error);

  auto cancelled = spawn([]() -> asio::awaitable<int> {
    const int value =
        co_await withTimeout(10s, TimeoutError{}, [] { return sleepThenAnswer(10s); });
    co_return value;
  });
  std::this_thread::sleep_for(10ms);
  cancelled.cancel();
  EXPECT_THROW(cancelled.get(), CancellationError);
}

}  // namespace
}  // namespace async
