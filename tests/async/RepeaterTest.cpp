#include "async/Repeater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "async/Debouncer.h"
#include "tests/async/EventLog.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Interval = Repeater::Interval;
using Mode = Repeater::Mode;
using State = Repeater::State;
using States = std::vector<State>;
using test::EventLog;
using Clock = std::chrono::steady_clock;

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
