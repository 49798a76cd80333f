#include "async/AsyncStream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>

namespace async {
namespace {

using namespace std::chrono_literals;
using Stream = AsyncThrowingStream<int>;

// Reads everything up to the end; an error is recorded as -1 and reading goes on.
asio::awaitable<std::vector<int>> drain(Stream::Iterator it, int reads) {
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

TEST(AsyncStream, drainsTheBufferThenThrowsOnceThenEnds) {
  auto [stream, continuation] = Stream::makeStream();
  for (int i = 1; i <= 3; ++i) continuation.yield(i);
  continuation.finish(std::make_exception_ptr(std::runtime_error("base failed")));
  EXPECT_EQ(continuation.yield(4).kind, YieldResult<int>::Kind::terminated);
  EXPECT_EQ(spawn(drain(stream.makeAsyncIterator(), 6)).get(),
            (std::vector<int>{1, 2, 3, -1, 0, 0}));
}

TEST(AsyncStream, aWaitingConsumerIsResumedByYieldAndFinish) {
  auto [stream, continuation] = Stream::makeStream(BufferingPolicy::bufferingNewest(0));
  auto reader = spawn(drain(stream.makeAsyncIterator(), 3));
  // bufferingNewest(0) drops what no waiting consumer takes, so offer until one is taken.
  while (continuation.yield(7).kind == YieldResult<int>::Kind::dropped) std::this_thread::yield();
  while (continuation.yield(8).kind == YieldResult<int>::Kind::dropped) std::this_thread::yield();
  continuation.finish();
  EXPECT_EQ(reader.get(), (std::vector<int>{7, 8, 0}));
}

TEST(AsyncStream, buffersByPolicy) {
  using Kind = YieldResult<int>::Kind;
  struct Case {
    const char* name;
    BufferingPolicy policy;
    std::vector<Kind> results;  // of yielding 1, 2, 3
    std::vector<int> read;
  };
  const std::vector<Case> cases = {
      {"unbounded", BufferingPolicy::unbounded(), {Kind::enqueued, Kind::enqueued, Kind::enqueued},
       {1, 2, 3, 0}},
      {"oldest 2", BufferingPolicy::bufferingOldest(2),
       {Kind::enqueued, Kind::enqueued, Kind::dropped}, {1, 2, 0, 0}},
      {"newest 2", BufferingPolicy::bufferingNewest(2),
       {Kind::enqueued, Kind::enqueued, Kind::dropped}, {2, 3, 0, 0}},
      {"newest 0", BufferingPolicy::bufferingNewest(0),
       {Kind::dropped, Kind::dropped, Kind::dropped}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto [stream, continuation] = Stream::makeStream(c.policy);
    std::vector<Kind> results;
    for (int i = 1; i <= 3; ++i) results.push_back(continuation.yield(i).kind);
    continuation.finish();
    EXPECT_EQ(results, c.results);
    EXPECT_EQ(spawn(drain(stream.makeAsyncIterator(), 4)).get(), c.read);
  }
  auto [stream, continuation] = Stream::makeStream(BufferingPolicy::bufferingNewest(1));
  continuation.yield(1);
  EXPECT_EQ(continuation.yield(2).droppedElement, 1);
}

TEST(AsyncStream, terminatesExactlyOnceOnEveryPath) {
  enum class Path { finishTwice, finishThenDrop, dropStream, cancelWaitingConsumer };
  struct Case {
    const char* name;
    Path path;
    Termination expected;
  };
  for (const Case& c : {Case{"finish twice", Path::finishTwice, Termination::finished},
                        Case{"finish then drop", Path::finishThenDrop, Termination::finished},
                        Case{"drop the stream", Path::dropStream, Termination::cancelled},
                        Case{"cancel the waiting consumer", Path::cancelWaitingConsumer,
                             Termination::cancelled}}) {
    SCOPED_TRACE(c.name);
    struct Count {
      std::atomic<int> calls{0};
      std::atomic<Termination> reason{Termination::finished};
    };
    auto count = std::make_shared<Count>();
    std::optional<Stream::Continuation> continuation;
    {
      auto [stream, cont] = Stream::makeStream();
      continuation = cont;
      cont.setOnTermination([count](Termination reason) {
        count->reason = reason;
        ++count->calls;
      });
      switch (c.path) {
        case Path::finishTwice:
          cont.finish();
          cont.finish(std::make_exception_ptr(std::runtime_error("late")));
          break;
        case Path::finishThenDrop:
          cont.finish();
          break;
        case Path::dropStream:
          break;
        case Path::cancelWaitingConsumer: {
          auto reader = spawn(drain(stream.makeAsyncIterator(), 2));
          std::this_thread::sleep_for(10ms);
          reader.cancel();
          EXPECT_EQ(reader.get(), (std::vector<int>{0, 0}));
          break;
        }
      }
    }
    continuation->finish();
    EXPECT_EQ(count->calls.load(), 1);
    EXPECT_EQ(count->reason.load(), c.expected);
    int late = 0;
    continuation->setOnTermination([&late](Termination) { ++late; });
    EXPECT_EQ(late, 1);  // a handler set after the end runs at once
  }
}

asio::awaitable<void> countUntilCancelled(Stream::Continuation continuation,
                                          std::shared_ptr<std::atomic<bool>> stopped) {
  try {
    for (int i = 0;; ++i) {
      continuation.yield(i);
      co_await sleep(1ms);
    }
  } catch (const CancellationError&) {
    *stopped = true;
  }
}

TEST(ProducerTaskStream, producerIsCancelledWhenTheConsumerStops) {
  auto stopped = std::make_shared<std::atomic<bool>>(false);
  auto producer = [stopped](Stream::Continuation continuation) {
    return countUntilCancelled(std::move(continuation), stopped);
  };
  {
    auto stream = Stream::withProducer(makeUnboundedThrowingBufferingPolicy(), producer);
    EXPECT_EQ(spawn(drain(stream.makeAsyncIterator(), 3)).get(), (std::vector<int>{0, 1, 2}));
  }
  for (int i = 0; i < 200 && !stopped->load(); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(stopped->load());
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
    continuation.finish(std::make_exception_ptr(std::runtime_error("done")));
    co_return;
  };
  auto stream = Stream::withProducer(BufferingPolicy::unbounded(), producer);
  EXPECT_EQ(spawn(drain(stream.makeAsyncIterator(), 3)).get(), (std::vector<int>{5, -1, 0}));
  EXPECT_EQ(handled->load(), 1);
}

}  // namespace
}  // namespace async
