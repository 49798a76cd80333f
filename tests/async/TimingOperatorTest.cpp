// Timing: debounce, delay and throttle operators, timers, the repeater and what is built on it.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "async/DebounceAsyncSequence.h"
#include "async/Debouncer.h"
#include "async/DelayAsyncSequence.h"
#include "async/Repeater.h"
#include "async/ThrottleAsyncSequence.h"
#include "async/Throttler.h"
#include "async/TimerAsyncSequence.h"
#include "tests/async/EventLog.h"
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

using ThrottleMode = Throttler::Mode;

// The throttle interval; half of it separates the expected times of the two modes.
constexpr auto T = 300ms;

std::shared_ptr<Throttler> throttling(ThrottleMode mode, bool immediateFire, test::EventLog<>& runs) {
  return Throttler::create(Repeater::Interval::milliseconds(T.count()), std::nullopt, mode,
                           immediateFire, [&runs] { runs.record(); });
}

TEST(Throttler, SecondTriggerWhilePendingKeepsOrMovesTheRun) {
  for (const auto& [mode, expected] :
       {std::pair{ThrottleMode::fixed, T}, {ThrottleMode::deferred, T * 3 / 2}}) {
    test::EventLog<> runs;
    const auto throttler = throttling(mode, false, runs);
    const auto begin = Clock::now();
    throttler->trigger();
    std::this_thread::sleep_for(T / 2);
    throttler->trigger();
    ASSERT_TRUE(runs.waitFor(1));
    EXPECT_GE(runs.at(0, begin), expected);
    EXPECT_LT(runs.at(0, begin), expected + T / 2);
    std::this_thread::sleep_for(T);
    EXPECT_EQ(runs.count(), 1u);
  }
}

TEST(Throttler, ImmediateFireRunsAtOnceThenWaitsForTheInterval) {
  for (const ThrottleMode mode : {ThrottleMode::fixed, ThrottleMode::deferred}) {
    test::EventLog<> runs;
    const auto throttler = throttling(mode, true, runs);
    const auto begin = Clock::now();
    throttler->trigger();
    ASSERT_TRUE(runs.waitFor(1));
    EXPECT_LT(runs.at(0, begin), T / 2);

    // A trigger a third of an interval after a run runs one interval after that run.
    std::this_thread::sleep_until(begin + runs.at(0, begin) + T / 3);
    throttler->trigger();
    ASSERT_TRUE(runs.waitFor(2));
    const auto gap = runs.at(1, begin) - runs.at(0, begin);
    // Both times are taken a little after each run began, the first one maybe later on a busy
    // machine; a run at the trigger itself would come after only a third of an interval.
    EXPECT_GE(gap, T * 9 / 10);
    EXPECT_LT(gap, T * 3 / 2);
  }
}

TEST(Throttler, RecordsRunsWithoutCallback) {
  const auto throttler =
      Throttler::create(Repeater::Interval::seconds(0.3), std::nullopt, ThrottleMode::fixed, true);
  EXPECT_EQ(throttler->lastExecutionTime(), std::nullopt);
  const auto begin = Clock::now();
  throttler->trigger();
  ASSERT_TRUE(testsupport::eventually([&] { return throttler->lastExecutionTime().has_value(); }, 2s));
  EXPECT_GE(*throttler->lastExecutionTime(), begin);
}

using Interval = Repeater::Interval;
using Mode = Repeater::Mode;
using State = Repeater::State;
using States = std::vector<State>;
using test::EventLog;

constexpr auto unit = 50ms;
Interval units(int n) { return Interval::milliseconds(n * unit.count()); }

std::shared_ptr<Repeater> counting(Interval interval, Mode mode, EventLog<>& log) {
  return Repeater::create(interval, mode, 0ns, std::nullopt, [&log](Repeater&) { log.record(); });
}

void recordStates(Repeater& repeater, EventLog<State>& states) {
  repeater.setOnStateChanged([&states](Repeater&, State state) { states.record(state); });
}

TEST(RepeaterInterval, ConvertsToTimerSpans) {
  constexpr auto max = std::numeric_limits<std::int64_t>::max();
  const std::pair<Interval, std::optional<std::chrono::nanoseconds>> cases[] = {
      {Interval::seconds(2.0), 2000ms},     {Interval::seconds(0.0005), 0ms},
      {Interval::seconds(1.9999), 1999ms},  {Interval::seconds(-0.0015), -1ms},
      {Interval::minutes(2), 120s},         {Interval::hours(1), 3600s},
      {Interval::days(1), 86400s},          {Interval::nanoseconds(7), 7ns},
      {Interval::microseconds(7), 7us},     {Interval::milliseconds(7), 7ms},
      {Interval::days(200'000), std::chrono::nanoseconds::max()},
      {Interval::days(max / 86'400 + 1), std::nullopt},
      {Interval::minutes(max), std::nullopt}, {Interval::seconds(1e16), std::nullopt},
      {Interval::seconds(INFINITY), std::nullopt}, {Interval::seconds(NAN), std::nullopt},
  };
  for (const auto& [interval, expected] : cases) {
    EXPECT_EQ(interval.dispatchInterval(), expected) << static_cast<int>(interval.unit());
  }
}

TEST(Repeater, FiniteWaitsForStartCountsDownAndStartsAgain) {
  EventLog<std::int64_t> remaining;
  EventLog<State> states;
  const auto repeater =
      Repeater::create(units(1), Mode::finite(3), 0ns, std::nullopt, [&remaining](Repeater& r) {
        remaining.record(r.remainingIterations().value_or(-99));
      });
  recordStates(*repeater, states);
  EXPECT_EQ(repeater->state(), State::paused);
  EXPECT_EQ(repeater->remainingIterations(), 3);
  EXPECT_FALSE(repeater->pause());
  std::this_thread::sleep_for(2 * unit);
  EXPECT_EQ(remaining.count(), 0u);
  ASSERT_TRUE(repeater->start());
  EXPECT_FALSE(repeater->start());
  ASSERT_TRUE(states.waitFor(5));
  std::this_thread::sleep_for(3 * unit);
  EXPECT_EQ(remaining.values(), (std::vector<std::int64_t>{2, 1, 0}));
  EXPECT_EQ(states.values(), (States{State::running, State::executing, State::executing,
                                     State::executing, State::finished}));
  EXPECT_EQ(repeater->state(), State::finished);

  EXPECT_TRUE(repeater->start());
  EXPECT_EQ(repeater->remainingIterations(), 3);
  EXPECT_TRUE(remaining.waitFor(4));
  repeater->pause();
  const auto all = states.values();
  EXPECT_EQ(States(all.begin() + 5, all.begin() + 7), (States{State::paused, State::running}));
}

TEST(Repeater, OnceFiresOneIntervalLaterThenFinishes) {
  EventLog<> firings;
  const auto begin = Clock::now();
  const auto repeater =
      Repeater::once(units(2), 0ns, std::nullopt, [&firings](Repeater&) { firings.record(); });
  ASSERT_TRUE(firings.waitFor(1));
  EXPECT_GE(firings.at(0, begin), 2 * unit);
  std::this_thread::sleep_for(4 * unit);
  EXPECT_EQ(firings.count(), 1u);
  EXPECT_EQ(repeater->state(), State::finished);
}

TEST(Repeater, EveryWithoutCountFiresOnItsGridUntilPaused) {
  EventLog<> firings;
  const auto begin = Clock::now();
  const auto repeater = Repeater::every(Interval::seconds(0.05), std::nullopt, 0ns, std::nullopt,
                                        [&firings](Repeater&) { firings.record(); });
  EXPECT_TRUE(repeater->mode().isInfinite());
  ASSERT_TRUE(firings.waitFor(4));
  for (int i = 0; i < 4; ++i) EXPECT_GE(firings.at(i, begin), (i + 1) * unit) << i;
  EXPECT_TRUE(repeater->pause());
  std::this_thread::sleep_for(2 * unit);  // a firing already under way may still end
  const auto count = firings.count();
  std::this_thread::sleep_for(4 * unit);
  EXPECT_EQ(firings.count(), count);
}

TEST(Repeater, ResetReportsPausedAndRestartsWithTheNewInterval) {
  EventLog<> firings;
  EventLog<State> states;
  const auto repeater = counting(Interval::seconds(30.0), Mode::infinite(), firings);
  recordStates(*repeater, states);
  repeater->reset(std::nullopt, false);
  EXPECT_EQ(states.values(), States{State::paused});

  repeater->start();
  std::this_thread::sleep_for(unit);
  const auto resetAt = Clock::now();
  repeater->reset(units(2), true);
  ASSERT_TRUE(firings.waitFor(1));
  EXPECT_GE(firings.at(0, resetAt), 2 * unit);
  EXPECT_LT(firings.at(0, resetAt), 10s);
  repeater->pause();
  const auto all = states.values();
  EXPECT_EQ(States(all.begin(), all.begin() + 6),
            (States{State::paused, State::running, State::paused, State::paused, State::running,
                    State::executing}));
}

TEST(Repeater, ObserverTokensSelectWhoIsCalled) {
  EventLog<int> calls;
  const auto repeater = Repeater::create(Interval::seconds(30.0), Mode::infinite(), 0ns,
                                         std::nullopt, [&calls](Repeater&) { calls.record(1); });
  EXPECT_EQ(repeater->observe([&calls](Repeater&) { calls.record(2); }), 2u);
  EXPECT_EQ(repeater->observe([&calls](Repeater&) { calls.record(3); }), 3u);
  repeater->remove(2);
  repeater->remove(99);
  repeater->start();
  repeater->fire(false);
  EXPECT_EQ(calls.values(), (std::vector<int>{1, 3}));
  EXPECT_EQ(repeater->state(), State::executing);

  repeater->removeAllObservers(true);
  EXPECT_EQ(repeater->state(), State::paused);
  repeater->fire(true);
  EXPECT_EQ(calls.count(), 2u);
  EXPECT_EQ(repeater->state(), State::paused);
}

TEST(Repeater, ReleasedWhileFiringStopsSafely) {
  // From its own observer: the observer drops the only outside reference.
  EventLog<> firings;
  auto own = counting(units(1), Mode::infinite(), firings);
  std::weak_ptr<Repeater> weakOwn = own;
  own->observe([&own](Repeater&) { own.reset(); });
  own->start();
  ASSERT_TRUE(firings.waitFor(1));

  // From another thread while an observer is still running.
  EventLog<> entered;
  auto other = Repeater::every(units(1), std::nullopt, 0ns, std::nullopt, [&entered](Repeater&) {
    entered.record();
    std::this_thread::sleep_for(2 * unit);
  });
  std::weak_ptr<Repeater> weakOther = other;
  ASSERT_TRUE(entered.waitFor(1));
  other.reset();
  std::this_thread::sleep_for(6 * unit);
  EXPECT_EQ(firings.count(), 1u);
  EXPECT_EQ(entered.count(), 1u);
  EXPECT_TRUE(weakOwn.expired());
  EXPECT_TRUE(weakOther.expired());
}

// The debouncer is a once-mode repeater restarted by every trigger.
TEST(Debouncer, BurstGivesOneCallbackOneDelayAfterItsLastTriggerWithTheLatestDelayAndCallback) {
  EventLog<int> calls;
  const auto debouncer = Debouncer::create(units(3), [&calls] { calls.record(1); });
  debouncer->trigger();
  std::this_thread::sleep_for(unit);
  debouncer->trigger();  // restarts the countdown
  std::this_thread::sleep_for(unit);
  debouncer->setCallback([&calls] { calls.record(2); });
  const auto last = Clock::now();
  debouncer->trigger(units(4));  // the new delay applies from this trigger
  ASSERT_TRUE(calls.waitFor(1));
  EXPECT_GE(calls.at(0, last), 4 * unit);
  std::this_thread::sleep_for(4 * unit);
  EXPECT_EQ(calls.values(), std::vector<int>{2});

  // After the callback has run, a trigger starts a new countdown.
  debouncer->trigger();
  EXPECT_TRUE(calls.waitFor(2));
}

TEST(Debouncer, WithoutCallbackPrintsTheDebugLine) {
  const auto debouncer = Debouncer::create(units(1));
  testing::internal::CaptureStdout();
  debouncer->trigger();
  std::this_thread::sleep_for(6 * unit);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\"Debouncer fired but callback not set.\"\n");
}

TEST(Debouncer, ReleasedDebouncerNeverCallsBack) {
  EventLog<> calls;
  auto debouncer = Debouncer::create(units(2), [&calls] { calls.record(); });
  debouncer->trigger();
  debouncer.reset();
  std::this_thread::sleep_for(5 * unit);
  EXPECT_EQ(calls.count(), 0u);
}

}  // namespace
}  // namespace async
