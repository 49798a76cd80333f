#include "async/Debouncer.h"

#include <cstdio>

namespace async {

std::shared_ptr<Debouncer> Debouncer::create(Repeater::Interval delay, Callback callback) {
  return std::make_shared<Debouncer>(Passkey{}, delay, std::move(callback));
}

Debouncer::Debouncer(Passkey, Repeater::Interval delay, Callback callback)
    : delay_(delay), callback_(std::move(callback)) {}

Repeater::Interval Debouncer::delay() const {
  const std::lock_guard lock(mutex_);
  return delay_;
}

Debouncer::Callback Debouncer::callback() const {
  const std::lock_guard lock(mutex_);
  return callback_;
}

void Debouncer::setCallback(Callback callback) {
  const std::lock_guard lock(mutex_);
  callback_ = std::move(callback);
}

void Debouncer::trigger(std::optional<Repeater::Interval> newDelay) {
  // The repeater's calls made here only take its own lock and report to no handler (this
  // debouncer sets none), so holding the debouncer's lock across them calls nothing out.
  const std::lock_guard lock(mutex_);
  if (newDelay) {
    delay_ = *newDelay;
  }
  if (timer_) {
    timer_->reset(delay_, true);
    return;
  }
  timer_ = Repeater::create(delay_, Repeater::Mode::once(), std::chrono::nanoseconds(0),
                            std::nullopt,
                            [weak = weak_from_this()](Repeater&) { fired(weak); });
  timer_->start();
}

void Debouncer::fired(const std::weak_ptr<Debouncer>& weak) {
  const auto self = weak.lock();
  const Callback callback = self ? self->callback() : Callback();
  if (callback) {
    callback();
    return;
  }
  std::fputs("\"Debouncer fired but callback not set.\"\n", stdout);
  std::fflush(stdout);
}

}  // namespace async
