#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using platform::Progress;
using K = Progress::Key;
using Changes = std::vector<std::pair<K, std::int64_t>>;

TEST(Progress, ObserversSeeEachChangeUntilTheirObservationEnds) {
  auto progress = std::make_unique<Progress>();
  Changes first, second;
  auto observation = progress->observe([&](K key, std::int64_t value) { first.emplace_back(key, value); });
  {
    const auto shortLived = progress->observe([&](K key, std::int64_t value) { second.emplace_back(key, value); });
    progress->setTotalUnitCount(4);
  }
  progress->setCompletedUnitCount(1);
  progress->addCompletedUnits(2);
  EXPECT_DOUBLE_EQ(progress->fractionCompleted(), 0.75);
  Progress::Observation moved = std::move(observation);
  progress->addCompletedUnits();
  moved.end();
  progress->setTotalUnitCount(0);
  EXPECT_EQ(first, (Changes{{K::totalUnitCount, 4}, {K::completedUnitCount, 1}, {K::completedUnitCount, 3},
                            {K::completedUnitCount, 4}}));
  EXPECT_EQ(second, (Changes{{K::totalUnitCount, 4}}));
  EXPECT_DOUBLE_EQ(progress->fractionCompleted(), 0.0);

  // Observers run outside the lock: they may change the progress and end observations, their own
  // included. An observation may outlive its progress.
  int calls = 0;
  Progress::Observation self = progress->observe([&](K key, std::int64_t) {
    ++calls;
    if (key == K::totalUnitCount) progress->setCompletedUnitCount(0);
    self.end();
  });
  progress->setTotalUnitCount(5);
  progress->addCompletedUnits();
  EXPECT_EQ(calls, 2);  // the total, then the nested change; nothing after the end
  auto late = progress->observe([](K, std::int64_t) {});
  progress.reset();
}

}  // namespace
