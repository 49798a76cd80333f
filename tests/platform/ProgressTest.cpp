#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

using platform::Progress;
using Change = std::pair<Progress::Key, std::int64_t>;

TEST(Progress, ObserversSeeEachChangeUntilTheirObservationEnds) {
  Progress progress;
  std::vector<Change> first, second;
  auto observation = progress.observe([&](Progress::Key key, std::int64_t value) { first.emplace_back(key, value); });
  {
    const auto shortLived = progress.observe([&](Progress::Key key, std::int64_t value) { second.emplace_back(key, value); });
    progress.setTotalUnitCount(4);
  }
  progress.setCompletedUnitCount(1);
  progress.addCompletedUnits(2);
  EXPECT_DOUBLE_EQ(progress.fractionCompleted(), 0.75);
  Progress::Observation moved = std::move(observation);
  observation = Progress::Observation();
  progress.addCompletedUnits();
  moved.end();
  progress.setTotalUnitCount(0);

  using K = Progress::Key;
  EXPECT_EQ(first, (std::vector<Change>{{K::totalUnitCount, 4}, {K::completedUnitCount, 1},
                                        {K::completedUnitCount, 3}, {K::completedUnitCount, 4}}));
  EXPECT_EQ(second, (std::vector<Change>{{K::totalUnitCount, 4}}));
  EXPECT_EQ(progress.completedUnitCount(), 4);
  EXPECT_DOUBLE_EQ(progress.fractionCompleted(), 0.0);
}

TEST(Progress, ObserversMayChangeTheProgressAndTheirObservations) {
  auto progress = std::make_unique<Progress>(10);
  Progress::Observation self;
  int calls = 0;
  self = progress->observe([&](Progress::Key key, std::int64_t) {
    ++calls;
    if (key == Progress::Key::totalUnitCount) progress->setCompletedUnitCount(0);  // nested notification
    self.end();                                                                 // ends itself
  });
  progress->setTotalUnitCount(5);
  progress->addCompletedUnits();
  EXPECT_EQ(calls, 2);  // the total, then the nested change; nothing after the observation ended

  // An observation may outlive its progress.
  auto late = progress->observe([](Progress::Key, std::int64_t) {});
  progress.reset();
  late.end();
}

}  // namespace
