#include "async/AsyncSerialQueue.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "async/Cancellation.h"

namespace async {
namespace {

using namespace std::chrono_literals;

TEST(AsyncSerialQueue, runsInOrderSkipsCancelledAndDrainsWhenReleased) {
  struct Shared {
    std::mutex mutex;
    std::vector<int> order;
    int running = 0;
    int overlaps = 0;
  };
  auto shared = std::make_shared<Shared>();
  auto operation = [shared](int n) {
    return [shared, n]() -> asio::awaitable<void> {
      {
        std::lock_guard lock(shared->mutex);
        if (shared->running++ > 0) ++shared->overlaps;
        shared->order.push_back(n);
      }
      co_await sleep(2ms);
      std::lock_guard lock(shared->mutex);
      --shared->running;
      if (n == 1) throw std::runtime_error("dropped");
    };
  };
  auto done = std::make_shared<std::promise<void>>();
  auto finished = done->get_future();
  {
    AsyncSerialQueue queue;
    for (int n = 1; n <= 3; ++n) queue.enqueue(operation(n));
    queue.enqueue(operation(4))->cancel();
    queue.enqueue(operation(5));
    queue.enqueue([done]() -> asio::awaitable<void> {
      done->set_value();
      co_return;
    });
  }  // released with work still queued: the work still runs
  finished.wait();
  std::lock_guard lock(shared->mutex);
  EXPECT_EQ(shared->order, (std::vector<int>{1, 2, 3, 5}));
  EXPECT_EQ(shared->overlaps, 0);
}

}  // namespace
}  // namespace async
