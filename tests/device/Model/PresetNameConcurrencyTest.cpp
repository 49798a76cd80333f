#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "device/Model/PresetName.h"

namespace {

using device::PresetName;

TEST(PresetName, FirstUseFromManyThreadsAtOnce) {
  // Each test runs in a process of its own, so this is the expression's first use.
  std::vector<std::thread> threads;
  std::vector<int> ok(8, 0);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&ok, i] {
      ok[i] = PresetName("Show_[bkup_" + std::to_string(i) + "]").backupDate == std::to_string(i);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok, std::vector<int>(8, 1));
}

}  // namespace
