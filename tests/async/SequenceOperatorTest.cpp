// Sequence operators: collecting, sinks, chains, combining, merging and error operators.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
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
#include "async/CatchErrorAsyncSequence.h"
#include "async/ChainAsyncSequence.h"
#include "async/Collect.h"
#include "async/CombineLatestAsyncSequence.h"
#include "async/Empty.h"
#include "async/ErrorMechanism.h"
#include "async/Fail.h"
#include "async/Just.h"
#include "async/MergeAsyncSequence.h"
#include "async/RemoveDuplicatesAsyncSequence.h"
#include "async/ReplaceErrorAsyncSequence.h"
#include "async/Seconds.h"
#include "async/SequenceAsyncSequence.h"
#include "async/Sink.h"
#include "async/ZipAsyncSequence.h"
#include "tests/async/EventLog.h"
#include "tests/async/ScriptedSequence.h"
#include "tests/support/Eventually.h"

namespace async {
namespace {

using test::end;
using test::fail;
using test::readNow;
using test::Scripted;
using test::Texts;

struct PullCase {
  std::string name;
  std::vector<Scripted> sources;
  int calls;
  Texts expected;
  std::vector<int> pulls;  // per source, when checked
};

template <class Make>
void runPullCases(const std::vector<PullCase>& cases, Make make) {
  for (const auto& c : cases) {
    const auto s = c.sources;
    const auto answers = s.size() == 2 ? readNow(make(s[0], s[1]), c.calls)
                                       : readNow(make(s[0], s[1], s[2]), c.calls);
    EXPECT_EQ(answers, c.expected) << c.name;
    for (std::size_t i = 0; i < c.pulls.size(); ++i)
      EXPECT_EQ(s[i].pulls(), c.pulls[i]) << c.name << " source " << i;
  }
}

TEST(CombineLatest, repeatsTheLastElementOfEndedSources) {
  runPullCases(
      {
          {"p longer", {{1, 2, 3}, {10}}, 4, {"(1, 10)", "(2, 10)", "(3, 10)", "end"}, {}},
          {"q longer", {{1}, {10, 20, 30}}, 4, {"(1, 10)", "(1, 20)", "(1, 30)", "end"}, {}},
          {"lockstep", {{1, 2}, {10, 20}}, 3, {"(1, 10)", "(2, 20)", "end"}, {}},
          {"both empty", {{}, {}}, 1, {"end"}, {}},
          // p never gives: 10 is remembered but never given out; after the end q keeps losing.
          {"p empty", {{}, {10, 20}}, 2, {"end", "end"}, {2, 2}},
          {"three", {{1, 2}, {10}, {7, 8, 9}}, 4, {"(1, 10, 7)", "(2, 10, 8)", "(2, 10, 9)", "end"}, {}},
          // q's error loses p's 2, which is not remembered: 3 pairs with 20.
          {"q fails", {{1, 2, 3}, {10, fail, 20}}, 3, {"(1, 10)", "error", "(3, 20)"}, {}},
          {"p fails", {{fail, 1}, {10}}, 2, {"error", "(1, 10)"}, {2, 1}},
          // Without end flag a source that ends and starts again is pulled again.
          {"end then more", {{1, end, 2}, {10, 20, 30}}, 3, {"(1, 10)", "(1, 20)", "(2, 30)"}, {}},
      },
      [](const auto&... sources) { return combineLatest(sources...); });
}

TEST(Zip, pairsByPositionAndLosesWhatTheEndMeets) {
  runPullCases(
      {
          {"p longer", {{1, 2, 3}, {10, 20}}, 3, {"(1, 10)", "(2, 20)", "end"}, {3, 3}},
          {"q longer", {{1}, {10, 20}}, 2, {"(1, 10)", "end"}, {2, 2}},
          {"p empty", {{}, {10}}, 1, {"end"}, {1, 1}},
          {"both empty", {{}, {}}, 1, {"end"}, {}},
          {"three", {{1, 2}, {10, 20, 30}, {7}}, 2, {"(1, 10, 7)", "end"}, {2, 2, 2}},
          {"q fails", {{1, 2, 3}, {10, fail, 20}}, 3, {"(1, 10)", "error", "(3, 20)"}, {}},
          {"p fails", {{fail, 1}, {10}}, 2, {"error", "(1, 10)"}, {2, 1}},
          // After the end a longer source loses one more element per call.
          {"after the end", {{1}, {10, 20, 30, 40}}, 3, {"(1, 10)", "end", "end"}, {3, 3}},
      },
      [](const auto&... sources) { return zip(sources...); });
}

TEST(RemoveDuplicates, comparesWithTheElementReceivedJustBefore) {
  struct Case {
    std::string name;
    Scripted base;
    std::function<bool(const int&, const int&)> predicate;  // empty: equality
    int calls;
    Texts expected;
  };
  const std::vector<Case> cases = {
      {"equal", {1, 1, 2, 2, 2, 3, 1}, {}, 5, {"1", "2", "3", "1", "end"}},
      {"empty", {}, {}, 1, {"end"}},
      {"one", {4}, [](const int&, const int&) -> bool { std::abort(); }, 2, {"4", "end"}},
      {"close", {1, 2, 3, 10}, [](const int& a, const int& b) { return std::abs(a - b) <= 1; }, 3,
       {"1", "10", "end"}},
      {"order of arguments", {3, 1, 2, 5, 4}, [](const int& previous, const int& current) {
         return current <= previous;
       }, 4, {"3", "2", "5", "end"}},
      {"error while skipping", {1, 1, fail, 1, 2}, {}, 4, {"1", "error", "2", "end"}},
      {"the end forgets", {1, end, 1}, {}, 3, {"1", "end", "1"}},
  };
  for (const auto& c : cases) {
    const auto answers = c.predicate ? readNow(removeDuplicates(c.base, c.predicate), c.calls)
                                     : readNow(removeDuplicates(c.base), c.calls);
    EXPECT_EQ(answers, c.expected) << c.name;
  }
}

TEST(ErrorOperators, catchErrorSwitchesOnceAndReplaceErrorReplacesEveryThrow) {
  int handlerCalls = 0;
  std::string caught;
  auto handler = [&](std::exception_ptr error) {
    ++handlerCalls;
    try {
      std::rethrow_exception(error);
    } catch (const std::runtime_error&) {
      caught = "error";
    }
    return Scripted{8, fail, 9};
  };
  const auto caughtOnce = catchError(Scripted{1, 2, fail, 3}, handler);
  EXPECT_EQ(readNow(caughtOnce, 6), (Texts{"1", "2", "8", "end", "9", "end"}));
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_EQ(caught, "error");
  EXPECT_EQ(readNow(caughtOnce, 3), (Texts{"1", "2", "8"}));  // a fresh iteration catches anew
  EXPECT_EQ(handlerCalls, 2);
  EXPECT_EQ(readNow(catchError(Scripted{1}, handler), 2), (Texts{"1", "end"}));
  EXPECT_EQ(handlerCalls, 2);

  EXPECT_EQ(readNow(replaceError(Scripted{1, fail}, 0), 3), (Texts{"1", "0", "end"}));
  EXPECT_EQ(readNow(replaceError(Scripted{fail, fail, fail, 5}, 0), 5),
            (Texts{"0", "0", "0", "5", "end"}));
}

using namespace std::chrono_literals;
using test::other;
using test::Step;

Scripted timed(std::vector<Step> steps) { return Scripted(std::move(steps)); }

TEST(Merge, deliversEverySourceInArrivalOrderThenTheEnd) {
  struct Case {
    std::string name;
    std::vector<Scripted> sources;
    int calls;
    Texts expected;  // sorted, with the end or error last
  };
  const std::vector<Case> cases = {
      {"two", {{1, 2}, {10}}, 4, {"1", "10", "2", "end"}},
      {"one empty", {{}, {5, 6}}, 3, {"5", "6", "end"}},
      {"both empty", {{}, {}}, 1, {"end"}},
      {"three", {{1}, {2, 3}, {}}, 4, {"1", "2", "3", "end"}},
  };
  for (const auto& c : cases) {
    const auto& s = c.sources;
    const auto merged = s.size() == 2 ? readNow(merge(s[0], s[1]), c.calls)
                                      : readNow(merge(s[0], s[1], s[2]), c.calls);
    auto sorted = merged;
    std::sort(sorted.begin(), sorted.end() - 1);
    EXPECT_EQ(sorted, c.expected) << c.name;
    // Within one source the order is kept.
    if (c.name == "two") {
      EXPECT_LT(std::find(merged.begin(), merged.end(), "1"),
                std::find(merged.begin(), merged.end(), "2"));
    }
  }
}

TEST(Merge, theFirstSourceInOrderDecidesTheError) {
  struct Case {
    std::string name;
    Scripted p, q;
    Texts expected;
  };
  const std::vector<Case> cases = {
      // q waits long: it is cancelled once p's error ends the merge.
      {"first fails", Scripted{1, fail}, timed({{2, 5s}}), {"1", "error", "end"}},
      // q's error waits for p's end; p's elements keep coming meanwhile.
      {"second fails first", timed({{1, 20ms}, {2, 20ms}}), Scripted{other}, {"1", "2", "other", "end"}},
      {"both fail", timed({{1, 20ms}, {fail, 20ms}}), Scripted{other}, {"1", "error", "end"}},
  };
  for (const auto& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readNow(merge(c.p, c.q), static_cast<int>(c.expected.size())), c.expected) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << c.name;
  }
}

TEST(Merge, releasingTheIteratorCancelsEverySource) {
  const auto p = timed({{1, 10s}}), q = timed({{2, 10s}}), r = timed({{3, 10s}});
  {
    auto iterator = merge(p, q, r).makeAsyncIterator();
    std::this_thread::sleep_for(20ms);  // every source waits in next()
  }
  const auto cancellations = [&] { return p.cancellations() + q.cancellations() + r.cancellations(); };
  testsupport::eventually([&] { return cancellations() == 3; }, 2s);
  EXPECT_EQ(cancellations(), 3);
}

TEST(Merge, cancellingTheReaderCancelsTheSources) {
  const auto p = timed({{1, 10s}}), q = timed({{2, 10s}});
  auto reader = test::reading(merge(p, q), 2);
  std::this_thread::sleep_for(20ms);
  reader.cancel();
  EXPECT_EQ(reader.get(), (Texts{"end", "end"}));
  testsupport::eventually([&] { return p.cancellations() + q.cancellations() == 2; }, 2s);
  EXPECT_EQ(p.cancellations() + q.cancellations(), 2);
}

TEST(Merge, eachIteratorRunsItsOwnProducer) {
  const Scripted p{1, 2}, q{3};
  const auto merged = merge(p, q);
  EXPECT_EQ(readNow(merged, 4).size(), 4u);
  EXPECT_EQ(readNow(merged, 4).back(), "end");
  EXPECT_EQ(p.pulls(), 6);  // two fresh iterations of three pulls each
}

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
