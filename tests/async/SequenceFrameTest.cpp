#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/AnyAsyncSequenceable.h"
#include "async/ChainAsyncSequence.h"
#include "async/Collect.h"
#include "async/Empty.h"
#include "async/ErrorMechanism.h"
#include "async/Fail.h"
#include "async/Just.h"
#include "async/Seconds.h"
#include "async/SequenceAsyncSequence.h"
#include "async/Sink.h"
#include "tests/async/EventLog.h"
#include "tests/async/ScriptedSequence.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using test::fail;
using test::readNow;
using test::Scripted;
using test::Texts;

TEST(SequenceFrame, collectStopsAtTheCountAndAsksForNothingMore) {
  struct Case {
    Scripted base;
    std::optional<int> count;
    std::vector<int> collected;
    int pulls;
  };
  std::vector<Case> cases = {
      {{1, 2, 3}, std::nullopt, {1, 2, 3}, 4},
      {{1, 2, 3}, 2, {1, 2}, 2},
      {{1, 2, 3}, 0, {1}, 1},
      {{1, 2, 3}, -3, {1}, 1},
      {{}, 5, {}, 1},
  };
  for (auto& c : cases) {
    EXPECT_EQ(spawn(collect(c.base, c.count)).get(), c.collected);
    EXPECT_EQ(c.base.pulls(), c.pulls);
  }
  EXPECT_THROW(spawn(collect(Scripted{1, fail})).get(), std::runtime_error);
}

TEST(SequenceFrame, firstAndLast) {
  Scripted firstThenFail{7, fail};
  EXPECT_EQ(spawn(first(firstThenFail)).get(), 7);
  EXPECT_EQ(firstThenFail.pulls(), 1);
  EXPECT_EQ(spawn(first(Scripted{})).get(), std::nullopt);
  EXPECT_EQ(spawn(last(Scripted{1, 2, 3})).get(), 3);
  EXPECT_EQ(spawn(last(Scripted{})).get(), std::nullopt);
  EXPECT_THROW(spawn(last(Scripted{1, 2, fail})).get(), std::runtime_error);
}

asio::awaitable<void> waitForCancellation() {
  auto executor = co_await asio::this_coro::executor;
  for (;;) {
    const bool cancelled = co_await isCancelled();
    if (cancelled) co_return;
    co_await asio::post(executor, asio::use_awaitable);
  }
}

TEST(SequenceFrame, sinkReportsTheEndExactlyOnceAsTheLastCall) {
  struct Case {
    Scripted base;
    bool cancelInFirstValue;
    Texts events;
  };
  std::vector<Case> cases = {
      {{1, 2}, false, {"1", "2", "finished"}},
      {{1, fail}, false, {"1", "failed"}},
      {{1, 2}, true, {"1", "cancelled"}},
  };
  for (auto& c : cases) {
    auto log = std::make_shared<test::EventLog<std::string>>();
    auto receiveValue = [log, cancel = c.cancelInFirstValue](int value) -> asio::awaitable<void> {
      log->record(std::to_string(value));
      if (cancel) co_await waitForCancellation();
    };
    auto receiveCompletion = [log](AsyncSequenceCompletion completion) -> asio::awaitable<void> {
      if (completion.kind == AsyncSequenceCompletion::Kind::finished)
        log->record("finished");
      else
        log->record(isCancellationError(completion.error) ? "cancelled" : "failed");
      co_return;
    };
    auto handle = sink(c.base, receiveValue, receiveCompletion);
    if (c.cancelInFirstValue) {
      ASSERT_TRUE(log->waitFor(1));
      handle.cancel();
    }
    handle.get();
    EXPECT_EQ(log->values(), c.events);
  }
}

TEST(SequenceFrame, sinkFailsWithTheErrorOrTheCancellationAfterTheElementInHand) {
  auto log = std::make_shared<test::EventLog<std::string>>();
  auto receiveSlowly = [log](int value) -> asio::awaitable<void> {
    log->record(std::to_string(value));
    co_await waitForCancellation();
  };
  auto cancelled = sink(Scripted{1, 2}, receiveSlowly);
  ASSERT_TRUE(log->waitFor(1));
  cancelled.cancel();
  EXPECT_THROW(cancelled.get(), CancellationError);
  EXPECT_EQ(log->values(), Texts{"1"});

  auto ignore = [](int) -> asio::awaitable<void> { co_return; };
  EXPECT_THROW(sink(Scripted{1, fail}, ignore).get(), std::runtime_error);
  EXPECT_NO_THROW(sink(Scripted{1}, ignore).get());
}

TEST(SequenceFrame, assignLeavesTheLastElement) {
  struct Target {
    int value = 0;
  };
  auto target = std::make_shared<Target>();
  assign(Scripted{1, 2, 3}, &Target::value, target).get();
  EXPECT_EQ(target->value, 3);
  EXPECT_THROW(assign(Scripted{4, fail}, &Target::value, target).get(), std::runtime_error);
  EXPECT_EQ(target->value, 4);
}

TEST(SequenceFrame, erasersSwallowOrPassErrorsAndIterateIndependently) {
  const Scripted base{1, fail, 2};
  auto erased = eraseToAnyAsyncSequenceable(base);
  EXPECT_EQ(readNow(erased, 4), (Texts{"1", "end", "2", "end"}));  // no state of its own
  EXPECT_EQ(readNow(erased, 2), (Texts{"1", "end"}));
  EXPECT_EQ(readNow(eraseToAnyThrowingAsyncSequenceable(base), 4),
            (Texts{"1", "error", "2", "end"}));
  EXPECT_FALSE(AnyAsyncSequenceable<int>::make(std::optional<Scripted>()));
  EXPECT_EQ(readNow(*AnyAsyncSequenceable<int>::make(std::optional(base)), 1), Texts{"1"});
}

TEST(SequenceFrame, secondsBecomeTruncatedNanosecondsOrAreRejected) {
  constexpr auto maximum = std::numeric_limits<std::chrono::nanoseconds::rep>::max();
  struct Case {
    double seconds;
    std::optional<std::chrono::nanoseconds::rep> nanoseconds;  // none: rejected
  };
  const std::vector<Case> cases = {
      {0.5, 500'000'000},
      {1.5e-9, 1},
      {-0.5e-9, 0},
      {0, 0},
      {1.8e10, maximum},  // fits 64 unsigned bits, not the signed duration: clamped
      {-1e-9, std::nullopt},
      {18446744073.709551616, std::nullopt},  // 2^64 ns
      {std::nan(""), std::nullopt},
      {std::numeric_limits<double>::infinity(), std::nullopt},
      {-std::numeric_limits<double>::infinity(), std::nullopt},
  };
  for (const auto& c : cases) {
    if (c.nanoseconds)
      EXPECT_EQ(durationFromSeconds(c.seconds).count(), *c.nanoseconds) << c.seconds;
    else
      EXPECT_THROW(durationFromSeconds(c.seconds), std::invalid_argument) << c.seconds;
  }
  auto sleepNaN = []() -> asio::awaitable<void> { co_await sleep(std::nan("")); };
  EXPECT_THROW(spawn(sleepNaN).get(), std::invalid_argument);
  const auto start = std::chrono::steady_clock::now();
  auto sleepBriefly = []() -> asio::awaitable<void> { co_await sleep(0.02); };
  spawn(sleepBriefly).get();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST(SequenceFrame, simpleSources) {
  struct Case {
    std::string name;
    Texts (*read)();
    Texts expected;
  };
  const std::vector<Case> cases = {
      {"just", [] { return readNow(Just(5), 3); }, {"5", "end", "end"}},
      {"empty", [] { return readNow(Empty<int>(), 2); }, {"end", "end"}},
      {"fail", [] { return readNow(Fail<int, std::runtime_error>(std::runtime_error("error")), 3); },
       {"error", "end", "end"}},
      {"range", [] { return readNow(asyncSequence(std::vector{1, 2, 3}), 4); },
       {"1", "2", "3", "end"}},
      {"empty range", [] { return readNow(asyncSequence(std::vector<int>{}), 1); }, {"end"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.read(), c.expected) << c.name;

  const Just just(8);  // each iteration gets the element
  EXPECT_EQ(readNow(just, 1), Texts{"8"});
  EXPECT_EQ(readNow(just, 1), Texts{"8"});
}

TEST(SequenceFrame, emptyThatWaitsEndsWithoutErrorWhenCancelled) {
  auto task = test::reading(Empty<int>(false), 1);
  std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(task.isFinished());
  task.cancel();
  EXPECT_EQ(task.get(), Texts{"end"});
}

TEST(SequenceFrame, chainGivesTheSecondAfterTheFirstHasEnded) {
  struct Case {
    Scripted p, q;
    int calls;
    Texts expected;
    int qPulls;
  };
  std::vector<Case> cases = {
      {{1, 2}, {3, 4}, 5, {"1", "2", "3", "4", "end"}, 3},
      {{}, {3}, 2, {"3", "end"}, 2},
      {{}, {}, 1, {"end"}, 1},
      {{1, fail}, {3}, 2, {"1", "error"}, 0},
      {{1}, {fail, 4}, 3, {"1", "error", "4"}, 2},
  };
  for (auto& c : cases) {
    const auto chained = chain(c.p, c.q);
    EXPECT_EQ(readNow(chained, c.calls), c.expected);
    EXPECT_EQ(c.q.pulls(), c.qPulls);
    EXPECT_EQ(readNow(chained, 1).front(), c.expected.front());  // a fresh iteration
  }
}

TEST(SequenceFrame, rethrowingTheErrorOfASuccessStopsTheProgram) {
  EXPECT_THROW(Result<int>::failure(std::make_exception_ptr(std::runtime_error("e"))).rethrowError(),
               std::runtime_error);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(Result<int>::success(1).rethrowError(),
               "Fatal error: Materialized error without being in a throwing context");
}

}  // namespace
}  // namespace async
