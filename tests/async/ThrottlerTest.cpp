#include "async/Throttler.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/async/EventLog.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Mode = Throttler::Mode;
using Clock = std::chrono::steady_clock;

// The throttle interval; half of it separates the expected times of the two modes.
constexpr auto T = 300ms;

std::shared_ptr<Throttler> counting(Mode mode, bool immediateFire, test::EventLog<>& runs) {
  return Throttler::create(Repeater::Interval::milliseconds(T.count()), std::nullopt, mode,
                           immediateFire, [&runs] { runs.record(); });
}

TEST(Throttler, SecondTriggerWhilePendingKeepsOrMovesTheRun) {
  for (const auto& [mode, expected] : {std::pair{Mode::fixed, T}, {Mode::deferred, T * 3 / 2}}) {
    test::EventLog<> runs;
    const auto throttler = counting(mode, false, runs);
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
  for (const Mode mode : {Mode::fixed, Mode::deferred}) {
    test::EventLog<> runs;
    const auto throttler = counting(mode, true, runs);
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
      Throttler::create(Repeater::Interval::seconds(0.3), std::nullopt, Mode::fixed, true);
  EXPECT_EQ(throttler->lastExecutionTime(), std::nullopt);
  const auto begin = Clock::now();
  throttler->trigger();
  for (int i = 0; i < 200 && !throttler->lastExecutionTime(); ++i) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(throttler->lastExecutionTime());
  EXPECT_GE(*throttler->lastExecutionTime(), begin);
}

}  // namespace
}  // namespace async
