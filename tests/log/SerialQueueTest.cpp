#include "log/BaseDestination.h"
#include "log/SerialQueue.h"
#include "platform/ThreadLabel.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tallylog {
namespace {

TEST(SerialQueue, AsyncAndSyncWorkRunInSubmissionOrder) {
  std::vector<int> order;  // only touched by work of the queue
  std::promise<void> release;
  auto released = release.get_future().share();
  {
    SerialQueue queue("test-queue");
    queue.async([&, released] {
      released.wait();
      order.push_back(1);
    });
    queue.async([&] { order.push_back(2); });
    std::thread syncCaller([&] {
      const std::string label = queue.sync([&] {
        order.push_back(3);
        return platform::threadLabel();
      });
      EXPECT_EQ(label, "test-queue");
    });
    release.set_value();
    syncCaller.join();
    queue.async([&] { order.push_back(4); });
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(SerialQueue, NestedSyncRunsAtOnceAndFailuresPassOn) {
  BaseDestination destination;
  std::promise<bool> nested;
  destination.perform(false, [&] {
    destination.perform(true, [&] { nested.set_value(destination.queue().isCurrent()); });
  });
  EXPECT_TRUE(nested.get_future().get());
  EXPECT_THROW(destination.performAndWait([]() -> int { throw std::runtime_error("failed"); }),
               std::runtime_error);
  EXPECT_EQ(destination.performAndWait([] { return 7; }), 7);
  EXPECT_FALSE(destination.queue().isCurrent());
}

TEST(SerialQueue, LastOwnerLettingGoOnTheQueueThreadDetaches) {
  auto queue = std::make_shared<SerialQueue>("self");
  std::promise<void> done;
  auto finished = done.get_future();
  SerialQueue* raw = queue.get();
  raw->async([owned = std::move(queue), &done]() mutable {
    owned.reset();
    done.set_value();
  });
  EXPECT_EQ(finished.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

}  // namespace
}  // namespace tallylog
