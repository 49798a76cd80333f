#include "async/Repeater.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace async {

namespace {

using std::chrono::nanoseconds;
using Clock = std::chrono::steady_clock;

static_assert(std::is_same_v<Clock::duration, nanoseconds>);

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// `count` units of `nanosecondsPerUnit` each, clamped to the nanosecond range.
nanoseconds clampedNanoseconds(std::int64_t count, std::int64_t nanosecondsPerUnit) {
  std::int64_t result = 0;
  if (__builtin_mul_overflow(count, nanosecondsPerUnit, &result)) {
    result = count < 0 ? kMin : kMax;
  }
  return nanoseconds(result);
}

// `count` units of `secondsPerUnit` each; absent when the number of seconds overflows.
std::optional<nanoseconds> wholeSeconds(std::int64_t count, std::int64_t secondsPerUnit) {
  std::int64_t seconds = 0;
  if (__builtin_mul_overflow(count, secondsPerUnit, &seconds)) {
    return std::nullopt;
  }
  return clampedNanoseconds(seconds, 1'000'000'000);
}

}  // namespace

Clock::time_point addClamped(Clock::time_point time, nanoseconds span) {
  std::int64_t result = 0;
  if (__builtin_add_overflow(time.time_since_epoch().count(), span.count(), &result)) {
    return span.count() < 0 ? Clock::time_point::min() : Clock::time_point::max();
  }
  return Clock::time_point(nanoseconds(result));
}

std::optional<std::int64_t> Repeater::Mode::iterationCount() const {
  if (kind_ == Kind::finite) {
    return count_;
  }
  return std::nullopt;
}

std::optional<nanoseconds> Repeater::Interval::dispatchInterval() const {
  switch (unit_) {
    case Unit::nanoseconds:
      return std::chrono::nanoseconds(count_);
    case Unit::microseconds:
      return clampedNanoseconds(count_, 1'000);
    case Unit::milliseconds:
      return clampedNanoseconds(count_, 1'000'000);
    case Unit::minutes:
      return wholeSeconds(count_, 60);
    case Unit::hours:
      return wholeSeconds(count_, 3'600);
    case Unit::days:
      return wholeSeconds(count_, 86'400);
    case Unit::seconds: {
      const double milliseconds = seconds_ * 1000.0;
      constexpr double limit = 9223372036854775808.0;  // 2^63
      if (!std::isfinite(milliseconds) || milliseconds >= limit || milliseconds < -limit) {
        return std::nullopt;
      }
      return clampedNanoseconds(static_cast<std::int64_t>(milliseconds), 1'000'000);
    }
  }
  return std::nullopt;
}

std::string_view description(Repeater::State state) {
  switch (state) {
    case Repeater::State::paused:
      return "idle/paused";
    case Repeater::State::running:
      return "running";
    case Repeater::State::executing:
      return "executing";
    case Repeater::State::finished:
      return "finished";
  }
  return {};
}

std::shared_ptr<Repeater> Repeater::create(Interval interval, Mode mode, nanoseconds tolerance,
                                           std::optional<asio::any_io_executor> executor,
                                           Observer observer) {
  auto repeater = std::make_shared<Repeater>(Passkey{}, interval, mode, tolerance,
                                             executor ? *executor : poolExecutor());
  repeater->observe(std::move(observer));
  return repeater;
}

std::shared_ptr<Repeater> Repeater::once(Interval after, nanoseconds tolerance,
                                         std::optional<asio::any_io_executor> executor,
                                         Observer observer) {
  auto repeater =
      create(after, Mode::once(), tolerance, std::move(executor), std::move(observer));
  repeater->start();
  return repeater;
}

std::shared_ptr<Repeater> Repeater::every(Interval interval, std::optional<std::int64_t> count,
                                          nanoseconds tolerance,
                                          std::optional<asio::any_io_executor> executor,
                                          Observer observer) {
  auto repeater = create(interval, count ? Mode::finite(*count) : Mode::infinite(), tolerance,
                         std::move(executor), std::move(observer));
  repeater->start();
  return repeater;
}

Repeater::Repeater(Passkey, Interval interval, Mode mode, nanoseconds tolerance,
                   asio::any_io_executor executor)
    : mode_(mode),
      remainingIterations_(mode.iterationCount()),
      interval_(interval),
      tolerance_(tolerance),
      timer_(asio::make_strand(std::move(executor))) {
  configureTimer();
}

Repeater::~Repeater() {
  // No firing is in progress here: a firing holds the repeater strongly until it ends.
  observers_.clear();
  destroyTimer();
}

Repeater::State Repeater::state() const {
  const std::lock_guard lock(mutex_);
  return state_;
}

Repeater::Mode Repeater::mode() const {
  const std::lock_guard lock(mutex_);
  return mode_;
}

std::optional<std::int64_t> Repeater::remainingIterations() const {
  const std::lock_guard lock(mutex_);
  return remainingIterations_;
}

Repeater::StateHandler Repeater::onStateChanged() const {
  const std::lock_guard lock(mutex_);
  return onStateChanged_;
}

void Repeater::setOnStateChanged(StateHandler handler) {
  const std::lock_guard lock(mutex_);
  onStateChanged_ = std::move(handler);
}

Repeater::ObserverToken Repeater::observe(Observer observer) {
  const std::lock_guard lock(mutex_);
  ++nextObserverID_;  // wraps around to 0 after the largest value
  observers_.insert_or_assign(nextObserverID_, std::move(observer));
  return nextObserverID_;
}

void Repeater::remove(ObserverToken token) {
  const std::lock_guard lock(mutex_);
  observers_.erase(token);
}

void Repeater::removeAllObservers(bool thenStop) {
  Lock lock(mutex_);
  observers_.clear();
  if (thenStop && isRunning(state_)) {
    assign(State::paused);
  }
  report(lock);
}

void Repeater::fire(bool andPause) {
  const auto self = shared_from_this();
  Lock lock(mutex_);
  timeFired(lock);
  if (andPause) {
    pause();
  }
}

void Repeater::reset(std::optional<Interval> interval, bool restart) {
  Lock lock(mutex_);
  resetLocked(interval, restart);
  report(lock);
}

bool Repeater::start() {
  Lock lock(mutex_);
  switch (state_) {
    case State::running:
    case State::executing:
      return false;
    case State::paused:
      assign(State::running);
      break;
    case State::finished:
      resetLocked(std::nullopt, true);
      break;
  }
  report(lock);
  return true;
}

bool Repeater::pause() {
  Lock lock(mutex_);
  if (!isRunning(state_)) {
    return false;
  }
  assign(State::paused);
  report(lock);
  return true;
}

bool Repeater::setPause(State from, State to) {
  Lock lock(mutex_);
  if (state_ != from) {
    return false;
  }
  assign(to);
  report(lock);
  return true;
}

// Under the lock: sets the state, lets the timer follow it and queues the report.
void Repeater::assign(State state) {
  state_ = state;
  if (isRunning(state)) {
    resumeTimer();
  } else {
    suspendTimer();
  }
  pendingReports_.push_back(state);
}

// Releases the lock after reporting the queued states in the order they were assigned. Only one
// thread reports at a time: a thread that finds another one reporting leaves its states to it,
// and so does a call made from the handler itself.
void Repeater::report(Lock& lock) {
  if (reporting_) {
    lock.unlock();
    return;
  }
  reporting_ = true;
  while (!pendingReports_.empty()) {
    const State state = pendingReports_.front();
    pendingReports_.pop_front();
    const StateHandler handler = onStateChanged_;
    lock.unlock();
    if (handler) {
      handler(*this, state);
    }
    lock.lock();
  }
  reporting_ = false;
  lock.unlock();
}

void Repeater::resetLocked(std::optional<Interval> interval, bool restart) {
  if (isRunning(state_)) {
    assign(State::paused);
  }
  remainingIterations_ = mode_.iterationCount();
  if (interval) {
    interval_ = *interval;
  }
  destroyTimer();
  configureTimer();
  assign(State::paused);
  if (restart) {
    assign(State::running);
  }
}

// Under the lock (or in the constructor): a new, suspended timer whose first deadline is one
// interval from now. An interval without a conversion never fires; a negative one fires at once
// and does not repeat; a zero one repeats as fast as the strand allows.
void Repeater::configureTimer() {
  destroyTimer();
  timerConfigured_ = true;
  period_.reset();
  const auto span = interval_.dispatchInterval();
  if (!span) {
    nextDeadline_ = Clock::time_point::max();
    return;
  }
  nextDeadline_ = addClamped(Clock::now(), *span);
  if (mode_.kind() != Mode::Kind::once && span->count() >= 0) {
    period_ = std::max(*span, nanoseconds(1));
  }
}

void Repeater::destroyTimer() {
  ++generation_;
  timer_.cancel();
  timerConfigured_ = false;
  timerResumed_ = false;
}

void Repeater::resumeTimer() {
  if (!timerConfigured_ || timerResumed_) {
    return;
  }
  timerResumed_ = true;
  armTimer();
}

void Repeater::suspendTimer() {
  if (!timerResumed_) {
    return;
  }
  timerResumed_ = false;
  ++generation_;
  timer_.cancel();
}

void Repeater::armTimer() {
  if (nextDeadline_ == Clock::time_point::max()) {
    return;
  }
  timer_.expires_at(nextDeadline_);
  waitWeakly(timer_, weak_from_this(),
             [generation = generation_](Repeater& self) { self.timerExpired(generation); });
}

// On the strand, with the repeater held strongly by the wait's handler.
void Repeater::timerExpired(std::uint64_t generation) {
  Lock lock(mutex_);
  if (generation != generation_ || !timerResumed_) {
    return;
  }
  if (period_) {
    // Next point of the grid that lies in the future: missed firings coalesce into this one.
    const auto now = Clock::now();
    auto next = addClamped(nextDeadline_, *period_);
    if (next <= now) {
      const auto missed = (now - nextDeadline_) / *period_;
      next = addClamped(nextDeadline_, (missed + 1) * *period_);
    }
    nextDeadline_ = next;
    armTimer();
  } else {
    nextDeadline_ = Clock::time_point::max();  // a one-shot timer fires once
  }
  timeFired(lock);
}

// Called with the lock held; releases it before anything is called out.
void Repeater::timeFired(Lock& lock) {
  assign(State::executing);
  if (remainingIterations_ && *remainingIterations_ != std::numeric_limits<std::int64_t>::min()) {
    --*remainingIterations_;
  }
  std::vector<Observer> observers;
  observers.reserve(observers_.size());
  for (const auto& entry : observers_) {
    observers.push_back(entry.second);
  }
  report(lock);
  for (const auto& observer : observers) {
    if (observer) {
      observer(*this);
    }
  }
  finishIfDone();
}

void Repeater::finishIfDone() {
  Lock lock(mutex_);
  const bool done = mode_.kind() == Mode::Kind::once ||
                    (mode_.kind() == Mode::Kind::finite && remainingIterations_ == 0);
  if (!done || state_ != State::executing) {
    return;
  }
  assign(State::finished);
  report(lock);
}

}  // namespace async
