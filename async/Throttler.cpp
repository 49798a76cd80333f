#include "async/Throttler.h"

namespace async {

std::shared_ptr<Throttler> Throttler::create(Repeater::Interval interval,
                                             std::optional<asio::any_io_executor> executor,
                                             Mode mode, bool immediateFire, Callback callback) {
  return std::make_shared<Throttler>(Passkey{}, interval, executor ? *executor : poolExecutor(),
                                     mode, immediateFire, std::move(callback));
}

Throttler::Throttler(Passkey, Repeater::Interval interval, asio::any_io_executor executor,
                     Mode mode, bool immediateFire, Callback callback)
    : immediateFire_(immediateFire),
      mode_(mode),
      callback_(std::move(callback)),
      throttle_(interval.dispatchInterval().value_or(std::chrono::nanoseconds::max())),
      timer_(std::move(executor)) {}

std::optional<Throttler::Clock::time_point> Throttler::lastExecutionTime() const {
  const std::lock_guard lock(mutex_);
  return lastExecutionTime_;
}

void Throttler::trigger() {
  const std::lock_guard lock(mutex_);
  ++generation_;  // the pending job, if it has not begun, never runs
  const Clock::time_point deadline = nextSchedule().second;
  previousScheduled_ = deadline;
  waitingForPerform_ = true;
  timer_.cancel();
  if (deadline == Clock::time_point::max()) {
    return;
  }
  timer_.expires_at(deadline);
  waitWeakly(timer_, weak_from_this(),
             [generation = generation_](Throttler& self) { self.runJob(generation); });
}

// Under the lock: (now, deadline) for the run being asked for.
std::pair<Throttler::Clock::time_point, Throttler::Clock::time_point> Throttler::nextSchedule()
    const {
  const auto now = Clock::now();
  if (lastExecutionTime_) {
    const auto intervalOver = addClamped(*lastExecutionTime_, throttle_);
    if (now < intervalOver) {
      return {now, intervalOver};
    }
  }
  if (mode_ == Mode::deferred) {
    return {now, !waitingForPerform_ && immediateFire_ ? now : addClamped(now, throttle_)};
  }
  if (waitingForPerform_) {
    return {now, previousScheduled_ && now < *previousScheduled_ ? *previousScheduled_ : now};
  }
  return {now, immediateFire_ ? now : addClamped(now, throttle_)};
}

// On the executor, with the throttler held strongly by the job.
void Throttler::runJob(std::uint64_t generation) {
  {
    const std::lock_guard lock(mutex_);
    if (generation != generation_) {
      return;
    }
    lastExecutionTime_ = Clock::now();
    waitingForPerform_ = false;
  }
  if (callback_) {
    callback_();
  }
}

}  // namespace async
