#include "async/AsyncStream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "async/SharedAsyncSequence.h"
#include "tests/support/Eventually.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Stream = AsyncThrowingStream<int>;
using Shared = SharedAsyncSequence<Stream>;
using Kind = YieldResult<int>::Kind;

// Calls next() `reads` times: an element is recorded as itself, the end as 0, an error as -1.
asio::awaitable<std::vector<int>> read(Stream::Iterator it, int reads) {
  std::vector<int> seen;
  for (int i = 0; i < reads; ++i) {
    try {
      auto element = co_await it.next();
      seen.push_back(element ? *element : 0);
    } catch (const std::runtime_error&) {
      seen.push_back(-1);
    }
  }
  co_return seen;
}

// 1, 2, ..., count, then `tail`.
std::vector<int> upTo(int count, std::vector<int> tail) {
  std::vector<int> values(count);
  std::iota(values.begin(), values.end(), 1);
  values.insert(values.end(), tail.begin(), tail.end());
  return values;
}

std::exception_ptr failure(const char* what = "base failed") {
  return std::make_exception_ptr(std::runtime_error(what));
}

TEST(AsyncStream, drainsTheBufferThenThrowsOnceThenEnds) {
  auto [stream, continuation] = Stream::makeStream();
  for (int i = 1; i <= 3; ++i) continuation.yield(i);
  continuation.finish(failure());
  EXPECT_EQ(continuation.yield(4).kind, Kind::terminated);
  EXPECT_EQ(spawn(read(stream.makeAsyncIterator(), 6)).get(), upTo(3, {-1, 0, 0}));
}

TEST(AsyncStream, aWaitingConsumerIsResumedByYieldAndFinish) {
  auto [stream, continuation] = Stream::makeStream(BufferingPolicy::bufferingNewest(0));
  auto reader = spawn(read(stream.makeAsyncIterator(), 3));
  // bufferingNewest(0) drops what no waiting consumer takes, so offer until one is taken.
  while (continuation.yield(7).kind == Kind::dropped) std::this_thread::yield();
  while (continuation.yield(8).kind == Kind::dropped) std::this_thread::yield();
  continuation.finish();
  EXPECT_EQ(reader.get(), (std::vector<int>{7, 8, 0}));
}

TEST(AsyncStream, buffersByPolicy) {
  struct Case {
    const char* name;
    BufferingPolicy policy;
    std::vector<Kind> results;  // of yielding 1, 2, 3
    std::vector<int> read;
  };
  using P = BufferingPolicy;
  const Kind in = Kind::enqueued, out = Kind::dropped;
  const Case cases[] = {{"unbounded", P::unbounded(), {in, in, in}, {1, 2, 3, 0}},
                        {"oldest 2", P::bufferingOldest(2), {in, in, out}, {1, 2, 0, 0}},
                        {"newest 2", P::bufferingNewest(2), {in, in, out}, {2, 3, 0, 0}},
                        {"newest 0", P::bufferingNewest(0), {out, out, out}, {0, 0, 0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto [stream, continuation] = Stream::makeStream(c.policy);
    std::vector<Kind> results;
    for (int i = 1; i <= 3; ++i) results.push_back(continuation.yield(i).kind);
    continuation.finish();
    EXPECT_EQ(results, c.results);
    EXPECT_EQ(spawn(read(stream.makeAsyncIterator(), 4)).get(), c.read);
  }
  auto [stream, continuation] = Stream::makeStream(BufferingPolicy::bufferingNewest(1));
  continuation.yield(1);
  EXPECT_EQ(continuation.yield(2).droppedElement, 1);
}

TEST(AsyncStream, terminatesExactlyOnceOnEveryPath) {
  enum class Path { finishTwice, finishThenDrop, dropStream, cancelWaitingConsumer };
  using enum Termination;
  for (const auto& [path, expected] : {std::pair{Path::finishTwice, finished},
                                       {Path::finishThenDrop, finished},
                                       {Path::dropStream, cancelled},
                                       {Path::cancelWaitingConsumer, cancelled}}) {
    SCOPED_TRACE(static_cast<int>(path));
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto reason = std::make_shared<std::atomic<Termination>>(finished);
    std::optional<Stream::Continuation> continuation;
    {
      auto [stream, cont] = Stream::makeStream();
      continuation = cont;
      cont.setOnTermination([calls, reason](Termination why) {
        *reason = why;
        ++*calls;
      });
      if (path == Path::finishTwice || path == Path::finishThenDrop) cont.finish();
      if (path == Path::finishTwice) cont.finish(failure("late"));
      if (path == Path::cancelWaitingConsumer) {
        auto reader = spawn(read(stream.makeAsyncIterator(), 2));
        std::this_thread::sleep_for(10ms);
        reader.cancel();
        EXPECT_EQ(reader.get(), (std::vector<int>{0, 0}));
      }
    }
    continuation->finish();
    EXPECT_EQ(calls->load(), 1);
    EXPECT_EQ(reason->load(), expected);
    int late = 0;
    continuation->setOnTermination([&late](Termination) { ++late; });
    EXPECT_EQ(late, 1);  // a handler set after the end runs at once
  }
}

TEST(ProducerTaskStream, producerIsCancelledWhenTheConsumerStops) {
  auto stopped = std::make_shared<std::atomic<bool>>(false);
  auto producer = [stopped](Stream::Continuation continuation) -> asio::awaitable<void> {
    try {
      for (int i = 1;; ++i) {
        continuation.yield(i);
        co_await sleep(1ms);
      }
    } catch (const CancellationError&) {
      *stopped = true;
    }
  };
  {
    auto stream = Stream::withProducer(makeUnboundedThrowingBufferingPolicy(), producer);
    EXPECT_EQ(spawn(read(stream.makeAsyncIterator(), 3)).get(), upTo(3, {}));
  }
  EXPECT_TRUE(testsupport::eventually([&] { return stopped->load(); }, 2s));
}

TEST(ProducerTaskStream, producerStartsCancelledWhenTheConsumerStoppedFirst) {
  asio::io_context context;  // not running: the producer cannot start before the stream goes
  auto sawCancelled = std::make_shared<std::atomic<bool>>(false);
  auto producer = [sawCancelled](Stream::Continuation) -> asio::awaitable<void> {
    *sawCancelled = co_await isCancelled();
  };
  {
    auto stream =
        Stream::withProducer(BufferingPolicy::unbounded(), producer, context.get_executor());
  }
  context.run();
  EXPECT_TRUE(sawCancelled->load());
}

TEST(ProducerTaskStream, producerMayFinishAndReplaceTheTerminationHandler) {
  auto handled = std::make_shared<std::atomic<int>>(0);
  auto producer = [handled](Stream::Continuation continuation) -> asio::awaitable<void> {
    continuation.setOnTermination([handled](Termination) { ++*handled; });
    continuation.yield(5);
    continuation.finish(failure());
    co_return;
  };
  auto stream = Stream::withProducer(BufferingPolicy::unbounded(), producer);
  EXPECT_EQ(spawn(read(stream.makeAsyncIterator(), 3)).get(), (std::vector<int>{5, -1, 0}));
  EXPECT_EQ(handled->load(), 1);
}

TEST(SharedAsyncSequence, multicastsToEveryReaderWhileOthersLeave) {
  auto [base, continuation] = Stream::makeStream();
  Shared shared(base);
  std::vector<TaskHandle<std::vector<int>>> readers;
  for (int i = 0; i < 4; ++i) readers.push_back(spawn(read(shared.makeAsyncIterator(), 51)));
  auto leaving = spawn(read(shared.makeAsyncIterator(), 2));
  { auto dropped = shared.makeAsyncIterator(); }
  continuation.yield(1);
  leaving.cancel();
  EXPECT_EQ(leaving.get().back(), 0);
  for (int i = 2; i <= 50; ++i) continuation.yield(i);
  continuation.finish();
  for (auto& reader : readers) EXPECT_EQ(reader.get(), upTo(50, {0}));
}

TEST(SharedAsyncSequence, lateReadersGetOnlyWhatFollowsAndTheEnd) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails);
    const int end = fails ? -1 : 0;
    auto [base, continuation] = Stream::makeStream();
    Shared copy = Shared(base);
    Shared shared = copy;
    auto early = shared.makeAsyncIterator();  // registered at once, before anything is yielded
    continuation.yield(1);
    continuation.yield(2);
    EXPECT_EQ(spawn(read(std::move(early), 2)).get(), upTo(2, {}));
    auto late = spawn(read(copy.makeAsyncIterator(), 3));
    continuation.yield(3);
    continuation.finish(fails ? failure() : nullptr);
    EXPECT_EQ(late.get(), (std::vector<int>{3, end, 0}));
    // `late` saw the end, so the end is recorded: a reader that comes now is finished at once.
    EXPECT_EQ(spawn(read(shared.makeAsyncIterator(), 2)).get(), (std::vector<int>{end, 0}));
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
  EXPECT_EQ(spawn(read(copy.makeAsyncIterator(), 4)).get(), upTo(3, {0}));
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
    EXPECT_EQ(spawn(read(shared.makeAsyncIterator(), 1)).get(), upTo(1, {}));
  }
  EXPECT_TRUE(testsupport::eventually([&] { return terminated->load(); }, 2s));
}

// A replay buffer on the manager's hooks, as a buffered shared sequence builds it.
class ReplayingManager : public SubSequenceManager<int> {
 public:
  using SubSequenceManager::SubSequenceManager;

 private:
  void willRegister(const Continuation& continuation, const Filter& filter) override {
    for (int element : buffer_) {
      if (!filter || filter(element)) continuation.yield(element);
    }
  }
  void didDeliver(const int& element) override { buffer_.push_back(element); }
  std::vector<int> buffer_;  // guarded by the manager's lock
};

TEST(SubSequenceManager, hooksGiveEveryLateSubscriberEachElementExactlyOnce) {
  auto [base, continuation] = Stream::makeStream();
  auto manager = std::make_shared<ReplayingManager>(base);
  manager->startPumping();
  std::vector<TaskHandle<std::vector<int>>> readers;
  for (int i = 1; i <= 2000; ++i) {
    continuation.yield(i);
    if (i % 250 == 0) readers.push_back(spawn(read(manager->subscribe(), 2001)));
  }
  continuation.finish();
  for (auto& reader : readers) EXPECT_EQ(reader.get(), upTo(2000, {0}));
}

}  // namespace
}  // namespace async
