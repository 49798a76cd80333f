// Replay to late readers, the end after the replay, and exactly-once delivery while readers
// subscribe during delivery.

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

#include "osc/SharedBufferedAsyncSequence.h"
#include "tests/osc/TransportTesting.h"

namespace osc {
namespace {

using Stream = async::AsyncThrowingStream<int>;
using Shared = SharedBufferedAsyncSequence<Stream>;

std::vector<int> range(int from, int to) {
  std::vector<int> out(static_cast<std::size_t>(to - from + 1));
  std::iota(out.begin(), out.end(), from);
  return out;
}

// Yields 1..count and waits until an early reader has seen them all, so the pump has delivered.
void feed(const Stream::Continuation& continuation, const Shared& shared, int count) {
  auto early = async::spawn(test::take(shared, static_cast<std::size_t>(count)));
  for (int i = 1; i <= count; ++i) continuation.yield(i);
  ASSERT_EQ(early.get().size(), static_cast<std::size_t>(count));
}

// Late readers get the newest `capacity` elements, then live ones; after the end (normal or with
// an error) a reader gets the replay, then that end.
TEST(SharedBufferedAsyncSequence, lateReadersGetTheNewestElementsThenLiveOnesThenTheEnd) {
  struct Case {
    std::size_t capacity;
    int passed;
    bool failing;
  };
  for (const auto& c : {Case{512, 600, false}, Case{1, 10, true}, Case{512, 10, false}}) {
    SCOPED_TRACE(c.capacity);
    auto [stream, continuation] = Stream::makeStream();
    const Shared shared(stream, c.capacity);
    feed(continuation, shared, c.passed);
    const int first = std::max(1, c.passed - static_cast<int>(c.capacity) + 1);
    auto late = async::spawn(test::take(shared, static_cast<std::size_t>(c.passed - first + 3)));
    auto lateCopy = async::spawn(test::take(Shared(shared), 2));
    continuation.yield(c.passed + 1);
    continuation.yield(c.passed + 2);
    EXPECT_EQ(late.get(), range(first, c.passed + 2));
    EXPECT_EQ(lateCopy.get(), range(first, first + 1));
    continuation.finish(c.failing ? std::make_exception_ptr(std::runtime_error("base failed")) : nullptr);
    auto afterEnd = async::spawn(test::take(shared, 1000));
    if (c.failing) {
      EXPECT_THROW(afterEnd.get(), std::runtime_error);
    } else {
      EXPECT_EQ(afterEnd.get(), range(std::max(1, c.passed + 3 - static_cast<int>(c.capacity)), c.passed + 2));
    }
  }
}

// A sequence read from a base and one fed directly behave alike; a reader with a filter gets only
// the elements it takes, from the replay and live; a fed sequence ignores what comes after its end.
TEST(SharedBufferedAsyncSequence, filteredReadersOfBaseAndFedSequences) {
  for (const bool fed : {false, true}) {
    SCOPED_TRACE(fed);
    auto [stream, continuation] = Stream::makeStream();
    auto [fedShared, feed] = Shared::fed(8);
    const Shared shared = fed ? fedShared : Shared(stream, 8);
    const auto yield = [&, continuation = continuation, feed = feed](int i) {
      if (fed) {
        feed.yield(i);
      } else {
        continuation.yield(i);
      }
    };
    auto early = async::spawn(test::take(shared, 12));
    for (int i = 1; i <= 12; ++i) yield(i);
    ASSERT_EQ(early.get(), range(1, 12));
    auto even = async::spawn(test::takeFrom(shared.makeAsyncIterator([](int i) { return i % 2 == 0; }), 100));
    auto all = async::spawn(test::takeFrom(shared.makeAsyncIterator(Shared::Filter{}), 100));
    yield(13);
    yield(14);
    if (fed) {
      feed.finish();
      feed.yield(15);
    } else {
      continuation.finish();
    }
    EXPECT_EQ(even.get(), (std::vector<int>{6, 8, 10, 12, 14}));
    EXPECT_EQ(all.get(), range(5, 14));
    EXPECT_EQ(test::takeNow(shared, 100), range(7, 14));
  }
}

// A replay bounded by bytes keeps the newest elements that fit, each measured (here: an element
// measures its own value), and never more than its element count; one too large empties it.
TEST(SharedBufferedAsyncSequence, replayBoundedByBytesKeepsTheNewestThatFit) {
  struct Case {
    std::size_t elements;
    std::vector<int> fed;
    std::vector<int> replayed;
  };
  const Case cases[] = {
      {8, {1, 2, 3, 4}, {1, 2, 3, 4}},       // exactly the bound
      {8, {1, 2, 3, 4, 1}, {2, 3, 4, 1}},    // one byte over: the oldest goes
      {8, {5, 1, 6}, {1, 6}},                // over by more than the oldest: as many as needed go
      {8, {4, 11, 2}, {2}},                  // larger than the bound alone: the replay starts over
      {3, {1, 1, 1, 1}, {1, 1, 1}},          // the element count still bounds
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.fed));
    auto [shared, feed] = Shared::fed({c.elements, 10, [](const int& i) { return static_cast<std::size_t>(i); }});
    for (const int i : c.fed) feed.yield(i);
    feed.finish();
    EXPECT_EQ(test::takeNow(shared, 100), c.replayed);
  }
}

// Readers subscribe from another thread while the pump delivers: each one sees a gapless run of
// consecutive elements up to the last, never one twice and never one missing.
TEST(SharedBufferedAsyncSequence, everyReaderGetsEachElementExactlyOnce) {
  constexpr int count = 4000;
  auto [stream, continuation] = Stream::makeStream();
  const Shared shared(stream, 16);
  std::vector<async::TaskHandle<std::vector<int>>> readers;
  std::thread subscriber([&] {
    for (int k = 0; k < 20; ++k) {
      readers.push_back(async::spawn(test::take(shared, count)));
      std::this_thread::yield();
    }
  });
  for (int i = 1; i <= count; ++i) continuation.yield(i);
  subscriber.join();
  continuation.finish();
  for (auto& reader : readers) {
    const auto seen = reader.get();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen, range(seen.front(), count));
  }
}

// One-shot watchers made from another thread while elements are fed each find their element once,
// replayed or live; those still waiting at the end are offered the end.
TEST(SharedBufferedAsyncSequence, watchersFindTheirElementReplayedOrLiveThenTheEnd) {
  constexpr int count = 4000;
  auto [shared, feed] = Shared::fed(count);
  std::vector<std::atomic<int>> found(count + 2);
  std::thread watcher([&, shared = shared] {
    for (int target = 1; target <= count + 1; target += 40) {
      shared.watch([&found, target](const int* element, const std::exception_ptr&) {
        if (element && *element != target) return false;
        found[static_cast<std::size_t>(target)] += element ? 1 : 100;
        return true;
      });
    }
  });
  for (int i = 1; i <= count; ++i) feed.yield(i);
  watcher.join();
  feed.finish();
  for (int target = 1; target <= count; target += 40) EXPECT_EQ(found[static_cast<std::size_t>(target)], 1) << target;
  EXPECT_EQ(found[count + 1], 100);  // never fed: the end
}

}  // namespace
}  // namespace osc
