#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using platform::Progress;

TEST(ProgressConcurrency, CountsFromManyThreadsWhileObserversComeAndGo) {
  constexpr int threads = 4, steps = 2000;
  Progress progress(threads * steps);
  std::atomic<std::int64_t> highest{0};
  auto counting = progress.observe([&](Progress::Key, std::int64_t value) {
    for (std::int64_t seen = highest.load(); value > seen && !highest.compare_exchange_weak(seen, value);) {
    }
  });
  std::atomic<bool> done{false};
  std::thread churn([&] {
    while (!done) progress.observe([&](Progress::Key, std::int64_t) { (void)progress.totalUnitCount(); }).end();
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < steps; ++i) progress.addCompletedUnits();
    });
  for (auto& worker : workers) worker.join();
  done = true;
  churn.join();
  EXPECT_EQ(progress.completedUnitCount(), threads * steps);
  EXPECT_EQ(highest.load(), threads * steps);
}

}  // namespace
