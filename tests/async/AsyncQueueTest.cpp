#include "async/AsyncQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "async/Cancellation.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Attributes = AsyncQueue::Attributes;

// A log of "+name" (start) and "-name" (end) lines, written by operations on any thread.
struct Log {
  std::mutex mutex;
  std::vector<std::string> lines;
  void add(std::string line) {
    std::lock_guard lock(mutex);
    lines.push_back(std::move(line));
  }
  std::vector<std::string> get() {
    std::lock_guard lock(mutex);
    return lines;
  }
  std::ptrdiff_t position(const std::string& line) {
    std::lock_guard lock(mutex);
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  }
};

// An operation that logs its start, sleeps, logs its end and then throws when asked.
auto logged(std::shared_ptr<Log> log, std::string name, std::chrono::milliseconds duration,
            bool fails = false) {
  return [log, name, duration, fails]() -> asio::awaitable<void> {
    log->add("+" + name);
    co_await sleep(duration);
    log->add("-" + name);
    if (fails) throw std::runtime_error(name);
  };
}

TEST(AsyncQueue, serialQueueRunsOneAfterAnotherAndGoesOnAfterAFailure) {
  auto log = std::make_shared<Log>();
  AsyncQueue queue;
  auto a = queue.addThrowingOperation(logged(log, "A", 20ms, true));
  queue.addOperation(logged(log, "B", 1ms));
  auto c = queue.addOperation(logged(log, "C", 0ms));
  c.get();
  EXPECT_THROW(a.get(), std::runtime_error);
  EXPECT_EQ(log->get(), (std::vector<std::string>{"+A", "-A", "+B", "-B", "+C", "-C"}));
  EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(AsyncQueue, concurrentQueueRunsSideBySideBetweenBarriers) {
  auto log = std::make_shared<Log>();
  AsyncQueue queue(Attributes::concurrent);
  queue.addOperation(logged(log, "A", 30ms));
  queue.addOperation(logged(log, "B", 30ms));
  queue.addBarrierOperation(logged(log, "X", 10ms));  // waits for A and B
  queue.addOperation(logged(log, "C", 40ms));         // C, D and P wait for X only
  queue.addOperation(logged(log, "D", 30ms));
  queue.addOperation(logged(log, "P", 0ms));
  queue.addBarrierOperation(logged(log, "Y", 0ms)).get();  // waits for X and all after it
  auto at = [&](const std::string& line) { return log->position(line); };
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
  EXPECT_TRUE(queue.addThrowingOperation([]() -> asio::awaitable<int> {
                     co_await checkCancellation();
                     co_return 1;
                   }).get() == 1);
  auto cancelled = queue.addThrowingOperation([]() -> asio::awaitable<void> {
    throw CancellationError{};
    co_return;
  });
  auto failed = queue.addThrowingOperation([]() -> asio::awaitable<void> {
    throw std::runtime_error("published");
    co_return;
  });
  EXPECT_THROW(cancelled.get(), CancellationError);
  EXPECT_THROW(failed.get(), std::runtime_error);
  auto errors = queue.errorSequence();
  auto first = spawn([errors]() -> asio::awaitable<std::string> {
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
    log->add("+A");
    co_await slow.wait();  // not cut short by A's cancellation
    log->add("-A");
  });
  auto b = queue.addOperation([log]() -> asio::awaitable<bool> {
    log->add("+B");
    co_return co_await isCancelled();
  });
  queue.cancelAllOperations();
  EXPECT_EQ(queue.pendingCount(), 2u);  // entries go only when their tasks end
  EXPECT_TRUE(b.get());
  EXPECT_EQ(log->get(), (std::vector<std::string>{"+A", "-A", "+B"}));
}

TEST(AsyncQueue, operationsMayAddOperations) {
  auto log = std::make_shared<Log>();
  auto queue = std::make_shared<AsyncQueue>();
  auto outer = queue->addOperation([queue, log]() -> asio::awaitable<TaskHandle<void>> {
    log->add("+outer");
    auto inner = queue->addOperation(logged(log, "inner", 0ms));
    co_await sleep(5ms);
    log->add("-outer");
    co_return inner;
  });
  outer.get().get();
  EXPECT_EQ(log->get(), (std::vector<std::string>{"+outer", "-outer", "+inner", "-inner"}));
}

TEST(AsyncQueueAttributes, formAnOptionSet) {
  Attributes both{Attributes::concurrent, Attributes::publishErrors};
  EXPECT_EQ(both.rawValue, 3u);
  EXPECT_TRUE(Attributes{}.isEmpty());
  EXPECT_TRUE(Attributes::concurrent.isSubset(both));
  EXPECT_TRUE(Attributes::concurrent.isDisjoint(Attributes::publishErrors));
  EXPECT_EQ(both.subtracting(Attributes::concurrent), Attributes::publishErrors);
  EXPECT_EQ(both.symmetricDifference(Attributes::concurrent), Attributes::publishErrors);
  both.remove(Attributes::publishErrors);
  EXPECT_EQ(both, Attributes::concurrent);
}

}  // namespace
}  // namespace async
