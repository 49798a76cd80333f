#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "async/DebounceAsyncSequence.h"
#include "async/DelayAsyncSequence.h"
#include "async/ThrottleAsyncSequence.h"
#include "async/TimerAsyncSequence.h"
#include "tests/async/ScriptedSequence.h"
#include "tests/support/Eventually.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::end;
using test::fail;
using test::Scripted;
using test::Step;
using test::Texts;

// Answers of `calls` next() calls with the time each call took; `pause` between calls.
struct Timed {
  Texts answers;
  std::vector<Clock::duration> took;
};

template <class Sequence>
Timed timedRead(const Sequence& sequence, int calls, Clock::duration pause = {}) {
  auto run = [](Sequence s, int n, Clock::duration gap) -> asio::awaitable<Timed> {
    auto iterator = s.makeAsyncIterator();
    Timed timed;
    for (int i = 0; i < n; ++i) {
      if (i > 0 && gap > Clock::duration::zero()) co_await sleep(gap);
      const auto start = Clock::now();
      auto answer = co_await test::read(iterator, 1);
      timed.took.push_back(Clock::now() - start);
      timed.answers.push_back(answer.front());
    }
    co_return timed;
  };
  return spawn(run(sequence, calls, pause)).get();
}

TEST(Debounce, givesTheLastElementOfABurstAfterTheDueTime) {
  const Scripted base({{1, 0ms}, {2, 5ms}, {3, 5ms}, {4, 150ms}, {end, 150ms}});
  const auto timed = timedRead(debounce(base, 0.05), 3);
  EXPECT_EQ(timed.answers, (Texts{"3", "4", "end"}));
  EXPECT_GE(timed.took[0], 10ms + 50ms);
  EXPECT_LT(timed.took[0], 140ms);
}

TEST(Debounce, theRunningPullCarriesOverToTheNextCall) {
  // 1 goes out after the due time; while the consumer then pauses, the held pull receives 2, and
  // the next call counts the due time from its own start.
  const Scripted base({{1, 0ms}, {2, 60ms}, {end, 300ms}});
  const auto timed = timedRead(debounce(base, 0.04), 2, 60ms);
  EXPECT_EQ(timed.answers, (Texts{"1", "2"}));
  EXPECT_GE(timed.took[1], 40ms);
  EXPECT_LT(timed.took[1], 200ms);
  EXPECT_EQ(base.pulls(), 3);
}

TEST(Debounce, theEndAndErrorsComeAtOnceAndDropThePendingElement) {
  struct Case {
    std::string name;
    Scripted base;
    Texts expected;
  };
  const std::vector<Case> cases = {
      {"end", {1, 2}, {"end"}},
      {"error", Scripted({{1, 0ms}, {fail, 10ms}}), {"error"}},
  };
  for (const auto& c : cases) {
    const auto timed = timedRead(debounce(c.base, 0.5), 1);
    EXPECT_EQ(timed.answers, c.expected) << c.name;
    EXPECT_LT(timed.took[0], 300ms) << c.name;  // not held back by the due time
  }
}

// A base whose next() ignores cancellation: it waits for a task of its own.
struct Stubborn {
  using Element = int;
  struct Iterator {
    using Element = int;
    Iterator() = default;
    asio::awaitable<std::optional<int>> next() {
      auto late = []() -> asio::awaitable<int> {
        co_await sleep(100ms);
        co_return 5;
      };
      co_return co_await spawn(late).value();
    }
  };
  Iterator makeAsyncIterator() const { return {}; }
};

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(Debounce, aCancelledCallerWaitsForThePullInsteadOfSpinning) {
  auto reader = test::reading(debounce(Stubborn{}, 0.01), 1);
  std::this_thread::sleep_for(10ms);
  const double cpuBefore = cpuSeconds();
  reader.cancel();
  EXPECT_EQ(reader.get(), Texts{"5"});  // the pending element goes out at the next race
  EXPECT_LT(cpuSeconds() - cpuBefore, 0.05);
}

TEST(Debounce, aDestroyedIteratorCancelsItsHeldPull) {
  const Scripted base({{1, 0ms}, {2, 10s}});
  EXPECT_EQ(test::readNow(debounce(base, 0.01), 1), Texts{"1"});
  testsupport::eventually([&] { return base.cancellations() > 0; }, 2s);
  EXPECT_EQ(base.cancellations(), 1);
}

TEST(TimingOperators, rejectIntervalsTheyCannotUse) {
  const Scripted base{1};
  for (double bad : {std::nan(""), double(INFINITY), -1.0, 2e10}) {
    EXPECT_THROW(debounce(base, bad), std::invalid_argument) << bad;
    EXPECT_THROW(TimerAsyncSequence{bad}, std::invalid_argument) << bad;
    if (bad != -1.0) {
      EXPECT_THROW(delay(base, bad), std::invalid_argument) << bad;
    }
  }
  EXPECT_THROW(throttle(base, std::nan(""), true), std::invalid_argument);
  EXPECT_NO_THROW(debounce(base, -1e-10));
  EXPECT_NO_THROW(delay(base, -double(INFINITY)));
  EXPECT_NO_THROW(throttle(base, INFINITY, false));
  EXPECT_NO_THROW(TimerAsyncSequence(0.01).cancel());  // before any iterator: nothing to stop
}

TEST(Delay, spacesThePullsByTheInterval) {
  const auto timed = timedRead(delay(Scripted{1, 2, 3}, 0.03), 4);
  EXPECT_EQ(timed.answers, (Texts{"1", "2", "3", "end"}));
  for (auto took : timed.took) EXPECT_GE(took, 28ms);

  // A consumer slower than the interval waits no more.
  const auto slow = timedRead(delay(Scripted{1, 2}, 0.03), 2, 50ms);
  EXPECT_LT(slow.took[1], 20ms);

  for (double none : {0.0, -5.0}) {
    const auto direct = timedRead(delay(Scripted{1, 2}, none), 3);
    EXPECT_EQ(direct.answers, (Texts{"1", "2", "end"}));
    for (auto took : direct.took) EXPECT_LT(took, 20ms);
  }
}

TEST(Throttle, givesTheFirstAtOnceThenOnePerIntervalOnArrival) {
  std::vector<Step> steps;
  for (int i = 1; i <= 12; ++i) steps.push_back({i, 10ms});
  const Scripted base(steps);
  for (bool latest : {false, true}) {
    // 12 elements 10 ms apart, 45 ms apart at least when given out: about 1, then one of 5..6 and
    // one of 10..11, then the end; the rest is dropped.
    const auto timed = timedRead(throttle(base, 0.045, latest), 13);
    const auto& a = timed.answers;
    const auto emitted = std::find(a.begin(), a.end(), "end") - a.begin();
    ASSERT_GE(emitted, 2) << latest;
    EXPECT_LT(emitted, 12) << latest;  // elements within an interval are dropped
    EXPECT_EQ(a[0], "1");
    EXPECT_LT(timed.took[0], 30ms);
    EXPECT_GE(timed.took[1], 40ms);
    if (latest) {
      EXPECT_GE(std::stoi(a[1]), 5);  // the one arriving when the interval has passed
    } else {
      EXPECT_EQ(a[1], "2");  // the oldest collected since the first emission
    }
  }
}

}  // namespace
}  // namespace async
