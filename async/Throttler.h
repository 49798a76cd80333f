#pragma once
// Throttler: runs its callback at most once per throttle interval, however often it is triggered;
// a run falls a little later than its trigger when the interval demands it. While a run is
// pending, `fixed` keeps its time and `deferred` moves it one interval past the latest trigger.
//
// Every trigger cancels the pending job (if it has not begun) and schedules a new one on a timer;
// a generation counter tells the job whether it is still the current one.
//
// Ownership: always held through std::shared_ptr (made by `create`). The pending job holds the
// throttler weakly: once the throttler is released, the job runs without effect.
//
// Threads: `trigger` may be called from any thread; a mutex serialises triggers and guards the
// fields, and is never held while the callback runs. Jobs run on the given executor, by default
// the process-wide pool itself, which is not serial: a callback that has begun is not stopped by a
// later trigger and may still run when the next one begins.

#include "async/Executor.h"
#include "async/Repeater.h"

#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace async {

class Throttler : public std::enable_shared_from_this<Throttler> {
  struct Passkey {
    explicit Passkey() = default;
  };

 public:
  enum class Mode { fixed, deferred };
  using Callback = std::function<void()>;
  using Clock = std::chrono::steady_clock;

  // With `immediateFire`, a trigger while nothing is pending and the interval since the last run
  // is over runs the callback at once instead of one interval later.
  static std::shared_ptr<Throttler> create(Repeater::Interval interval,
                                           std::optional<asio::any_io_executor> executor = {},
                                           Mode mode = Mode::fixed, bool immediateFire = false,
                                           Callback callback = {});

  Throttler(Passkey, Repeater::Interval interval, asio::any_io_executor executor, Mode mode,
            bool immediateFire, Callback callback);
  Throttler(const Throttler&) = delete;
  Throttler& operator=(const Throttler&) = delete;

  // The interval as converted by `Repeater::Interval::dispatchInterval`; an interval without a
  // conversion is taken as the longest span (a run waiting for it never comes).
  std::chrono::nanoseconds throttle() const { return throttle_; }
  // When a run last began, also for a throttler without a callback (read-only, for diagnostics).
  std::optional<Clock::time_point> lastExecutionTime() const;

  void trigger();

 private:
  std::pair<Clock::time_point, Clock::time_point> nextSchedule() const;
  void runJob(std::uint64_t generation);

  const bool immediateFire_;
  const Mode mode_;
  const Callback callback_;
  const std::chrono::nanoseconds throttle_;

  mutable std::mutex mutex_;
  asio::steady_timer timer_;
  std::uint64_t generation_ = 0;
  std::optional<Clock::time_point> previousScheduled_;
  std::optional<Clock::time_point> lastExecutionTime_;
  bool waitingForPerform_ = false;
};

}  // namespace async
