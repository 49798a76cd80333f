#include "async/Debouncer.h"

#include "tests/async/EventLog.h"

#include <gtest/gtest.h>

#include <thread>

namespace async {
namespace {

using namespace std::chrono_literals;
using Interval = Repeater::Interval;
using test::EventLog;
using Clock = std::chrono::steady_clock;

constexpr auto unit = 50ms;

TEST(Debouncer, BurstGivesOneCallbackOneDelayAfterItsLastTrigger) {
  EventLog<int> calls;
  const auto debouncer =
      Debouncer::create(Interval::milliseconds(3 * unit.count()), [&calls] { calls.record(1); });
  debouncer->trigger();
  std::this_thread::sleep_for(unit);
  debouncer->trigger();
  std::this_thread::sleep_for(unit);
  debouncer->setCallback([&calls] { calls.record(2); });
  const auto last = Clock::now();
  debouncer->trigger();
  ASSERT_TRUE(calls.waitFor(1));
  EXPECT_GE(calls.at(0, last), 3 * unit);
  std::this_thread::sleep_for(4 * unit);
  EXPECT_EQ(calls.values(), std::vector<int>{2});

  // After the callback has run, a trigger starts a new countdown.
  debouncer->trigger();
  EXPECT_TRUE(calls.waitFor(2));
}

TEST(Debouncer, NewDelayAppliesFromThatTrigger) {
  EventLog<> calls;
  const auto debouncer = Debouncer::create(Interval::seconds(30.0), [&calls] { calls.record(); });
  debouncer->trigger();
  std::this_thread::sleep_for(unit);
  const auto changed = Clock::now();
  debouncer->trigger(Interval::milliseconds(2 * unit.count()));
  ASSERT_TRUE(calls.waitFor(1));
  EXPECT_GE(calls.at(0, changed), 2 * unit);
  EXPECT_EQ(debouncer->delay().dispatchInterval(), 2 * unit);
}

TEST(Debouncer, WithoutCallbackPrintsTheDebugLine) {
  const auto debouncer = Debouncer::create(Interval::milliseconds(unit.count()));
  testing::internal::CaptureStdout();
  debouncer->trigger();
  std::this_thread::sleep_for(6 * unit);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\"Debouncer fired but callback not set.\"\n");
}

TEST(Debouncer, ReleasedDebouncerNeverCallsBack) {
  EventLog<> calls;
  auto debouncer =
      Debouncer::create(Interval::milliseconds(2 * unit.count()), [&calls] { calls.record(); });
  debouncer->trigger();
  debouncer.reset();
  std::this_thread::sleep_for(5 * unit);
  EXPECT_EQ(calls.count(), 0u);
}

}  // namespace
}  // namespace async
