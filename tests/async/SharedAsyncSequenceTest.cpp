#include "async/SharedAsyncSequence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace async {
namespace {

using namespace std::chrono_literals;
using Stream = AsyncThrowingStream<int>;
using Shared = SharedAsyncSequence<Stream>;

// Reads `count` elements (or up to the end when count < 0); an error is recorded as -1.
asio::awaitable<std::vector<int>> read(Shared::Iterator it, int count = -1) {
  std::vector<int> seen;
  while (count < 0 || static_cast<int>(seen.size()) < count) {
    std::optional<int> element;
    try {
      element = co_await it.next();
    } catch (const std::runtime_error&) {
      seen.push_back(-1);
      break;
    }
    if (!element) break;
    seen.push_back(*element);
  }
  co_return seen;
}

TEST(SharedAsyncSequence, multicastsToEveryRegisteredReader) {
  auto [base, continuation] = Stream::makeStream();
  Shared shared(base);
  std::vector<TaskHandle<std::vector<int>>> readers;
  for (int i = 0; i < 4; ++i) readers.push_back(spawn(read(shared.makeAsyncIterator())));
  for (int i = 1; i <= 50; ++i) continuation.yield(i);
  continuation.finish();
  std::vector<int> expected(50);
  for (int i = 0; i < 50; ++i) expected[i] = i + 1;
  for (auto& reader : readers) EXPECT_EQ(reader.get(), expected);
}

TEST(SharedAsyncSequence, lateReadersGetOnlyWhatFollowsAndTheEnd) {
  struct Case {
    const char* name;
    bool fails;
    std::vector<int> late;      // of a reader that comes after 1 and 2 were delivered
    std::vector<int> afterEnd;  // of a reader that comes after the end
  };
  for (const Case& c : {Case{"ends", false, {3}, {}}, Case{"throws", true, {3, -1}, {-1}}}) {
    SCOPED_TRACE(c.name);
    auto [base, continuation] = Stream::makeStream();
    Shared copy = Shared(base);
    Shared shared = copy;
    auto early = shared.makeAsyncIterator();
    continuation.yield(1);
    continuation.yield(2);
    auto firstTwo = spawn(read(std::move(early), 2));
    EXPECT_EQ(firstTwo.get(), (std::vector<int>{1, 2}));
    auto late = spawn(read(copy.makeAsyncIterator()));
    continuation.yield(3);
    if (c.fails) {
      continuation.finish(std::make_exception_ptr(std::runtime_error("base failed")));
    } else {
      continuation.finish();
    }
    EXPECT_EQ(late.get(), c.late);
    // `late` saw the end, so the end is recorded: a reader that comes now is finished at once.
    EXPECT_EQ(spawn(read(shared.makeAsyncIterator())).get(), c.afterEnd);
  }
}

// A base that counts how often it is read.
struct CountingBase {
  std::shared_ptr<std::atomic<int>> reads = std::make_shared<std::atomic<int>>(0);
  struct Iterator {
    using Element = int;
    std::shared_ptr<std::atomic<int>> reads;
    asio::awaitable<std::optional<int>> next() {
      const int n = ++*reads;
      co_return n <= 3 ? std::optional<int>(n) : std::nullopt;
    }
  };
  Iterator makeAsyncIterator() const { return {reads}; }
};

TEST(SharedAsyncSequence, readsNothingUntilTheFirstReader) {
  CountingBase base;
  auto shared = asShared(base);
  auto copy = shared;
  std::this_thread::sleep_for(5ms);
  EXPECT_EQ(base.reads->load(), 0);
  EXPECT_EQ(spawn(read(copy.makeAsyncIterator())).get(), (std::vector<int>{1, 2, 3}));
}

TEST(SharedAsyncSequence, aReaderThatStopsLeavesTheOthersReading) {
  auto [base, continuation] = Stream::makeStream();
  Shared shared(base);
  auto staying = spawn(read(shared.makeAsyncIterator(), 3));
  auto leaving = spawn(read(shared.makeAsyncIterator()));
  { auto dropped = shared.makeAsyncIterator(); }
  continuation.yield(1);
  leaving.cancel();
  EXPECT_TRUE(leaving.get().size() <= 1);
  continuation.yield(2);
  continuation.yield(3);
  EXPECT_EQ(staying.get(), (std::vector<int>{1, 2, 3}));
}

TEST(SharedAsyncSequence, droppingTheLastOwnerStopsReadingTheBase) {
  auto terminated = std::make_shared<std::atomic<bool>>(false);
  auto producer = [terminated](Stream::Continuation continuation) -> asio::awaitable<void> {
    continuation.setOnTermination([terminated](Termination) { *terminated = true; });
    continuation.yield(1);
    co_return;  // and never finishes
  };
  {
    SharedAsyncSequence shared(Stream::withProducer(BufferingPolicy::unbounded(), producer));
    EXPECT_EQ(spawn(read(shared.makeAsyncIterator(), 1)).get(), (std::vector<int>{1}));
  }
  for (int i = 0; i < 200 && !terminated->load(); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(terminated->load());
}

}  // namespace
}  // namespace async

namespace async {
namespace {

// A replay buffer on the manager's hooks, as a buffered shared sequence builds it.
class ReplayingManager : public SubSequenceManager<int> {
 public:
  using SubSequenceManager::SubSequenceManager;

 private:
  void willRegister(const Continuation& continuation) override {
    for (int element : buffer_) continuation.yield(element);
  }
  void didDeliver(const int& element) override { buffer_.push_back(element); }
  std::vector<int> buffer_;  // guarded by the manager's lock
};

TEST(SubSequenceManager, hooksGiveEveryLateSubscriberEachElementExactlyOnce) {
  auto [base, continuation] = Stream::makeStream();
  auto manager = std::make_shared<ReplayingManager>(base);
  manager->startPumping();
  std::vector<TaskHandle<std::vector<int>>> readers;
  constexpr int count = 2000;
  for (int i = 1; i <= count; ++i) {
    continuation.yield(i);
    if (i % 250 == 0) readers.push_back(spawn(read(manager->subscribe())));
  }
  continuation.finish();
  std::vector<int> expected(count);
  for (int i = 0; i < count; ++i) expected[i] = i + 1;
  for (auto& reader : readers) EXPECT_EQ(reader.get(), expected);
}

}  // namespace
}  // namespace async
