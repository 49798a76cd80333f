#include "platform/ThreadLabel.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

TEST(ThreadLabel, ScopedLabelsNestAndEachThreadHasItsOwn) {
  EXPECT_EQ(platform::threadLabel(), "");
  {
    platform::ScopedThreadLabel outer("OSCServer Delegate 9999");
    {
      platform::ScopedThreadLabel inner("tallylog-queue-1");
      EXPECT_EQ(platform::threadLabel(), "tallylog-queue-1");
    }
    EXPECT_EQ(platform::threadLabel(), "OSCServer Delegate 9999");
    std::string seenElsewhere = "unset";
    std::thread([&] { seenElsewhere = platform::threadLabel(); }).join();
    EXPECT_EQ(seenElsewhere, "");
  }
  EXPECT_EQ(platform::threadLabel(), "");
}

}  // namespace
