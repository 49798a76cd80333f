#pragma once
// Records values with the time they arrived, from any thread.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace async::test {

template <typename T = int>
class EventLog {
 public:
  using Clock = std::chrono::steady_clock;

  void record(T value = {}) {
    const std::lock_guard lock(mutex_);
    values_.push_back(std::move(value));
    times_.push_back(Clock::now());
    changed_.notify_all();
  }

  // True when at least `count` values arrived within `timeout`.
  bool waitFor(std::size_t count, Clock::duration timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return values_.size() >= count; });
  }

  std::size_t count() const {
    const std::lock_guard lock(mutex_);
    return values_.size();
  }

  std::vector<T> values() const {
    const std::lock_guard lock(mutex_);
    return values_;
  }

  // How long after `from` value `index` arrived.
  Clock::duration at(std::size_t index, Clock::time_point from) const {
    const std::lock_guard lock(mutex_);
    return times_.at(index) - from;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<T> values_;
  std::vector<Clock::time_point> times_;
};

}  // namespace async::test
