#pragma once
// Repeater: a timer that fires after an interval and then again and again, a fixed number of times,
// or once, calling its observers with itself at every firing. It keeps a small state machine
// (paused, running, executing, finished) and reports every assignment of its state to an optional
// handler.
//
// Ownership: always held through std::shared_ptr (made by `create`, `once` or `every`). The pending
// timer wait holds the repeater weakly: a repeater that nobody holds is destroyed and stops firing.
// A firing in progress holds it strongly until its observers have returned, so releasing the last
// reference from an observer or from another thread during a firing is safe; the destructor cancels
// the timer and never waits.
//
// Threads: every operation may be called from any thread. The fields are guarded by one mutex that
// is never held while `onStateChanged` or an observer runs, so both may call back into the
// repeater. Firings run on a strand made from the given executor (by default a strand of its own
// on the process-wide pool): the observers of timer firings never run at the same time as each
// other. `fire` runs a firing at once on the caller's thread.
//
// The timer: the first deadline is the configuration time plus the interval; repeats fall on a
// fixed grid (first deadline + k * interval), and firings missed while suspended or while an
// earlier firing was still running coalesce into one. The tolerance is kept as given; asio timers
// have no leeway, so they fire at the deadline. The timer is suspended exactly while the state is
// `paused` or `finished` and resumed while it is `running` or `executing`, whichever operation set
// the state; suspending and resuming are idempotent, so they can never fall out of balance (this
// also covers firing by hand while paused: the state becomes `executing` and the timer resumes).

#include "async/Executor.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace async {

// `time` plus `span`, clamped to the range of the clock instead of overflowing.
std::chrono::steady_clock::time_point addClamped(std::chrono::steady_clock::time_point time,
                                                 std::chrono::nanoseconds span);

// Waits for `timer`'s deadline; unless the wait is cancelled, calls `expired` with the owner if it
// still exists, holding it strongly during the call.
template <typename Owner, typename Expired>
void waitWeakly(asio::steady_timer& timer, std::weak_ptr<Owner> owner, Expired expired) {
  timer.async_wait([owner = std::move(owner), expired = std::move(expired)](
                       const boost::system::error_code& error) {
    if (error) {
      return;
    }
    if (const auto strong = owner.lock()) {
      expired(*strong);
    }
  });
}

class Repeater : public std::enable_shared_from_this<Repeater> {
  struct Passkey {
    explicit Passkey() = default;
  };

 public:
  enum class State { paused, running, executing, finished };

  class Mode {
   public:
    enum class Kind { finite, infinite, once };

    static Mode finite(std::int64_t count) { return Mode(Kind::finite, count); }
    static Mode infinite() { return Mode(Kind::infinite, 0); }
    static Mode once() { return Mode(Kind::once, 0); }

    Kind kind() const { return kind_; }
    bool isInfinite() const { return kind_ == Kind::infinite; }
    // n for `finite(n)`, absent for the other modes.
    std::optional<std::int64_t> iterationCount() const;

   private:
    Mode(Kind kind, std::int64_t count) : kind_(kind), count_(count) {}
    Kind kind_;
    std::int64_t count_;
  };

  class Interval {
   public:
    enum class Unit { nanoseconds, microseconds, milliseconds, minutes, seconds, hours, days };

    static Interval nanoseconds(std::int64_t n) { return Interval(Unit::nanoseconds, n, 0); }
    static Interval microseconds(std::int64_t n) { return Interval(Unit::microseconds, n, 0); }
    static Interval milliseconds(std::int64_t n) { return Interval(Unit::milliseconds, n, 0); }
    static Interval minutes(std::int64_t n) { return Interval(Unit::minutes, n, 0); }
    static Interval seconds(double d) { return Interval(Unit::seconds, 0, d); }
    static Interval hours(std::int64_t n) { return Interval(Unit::hours, n, 0); }
    static Interval days(std::int64_t n) { return Interval(Unit::days, n, 0); }

    Unit unit() const { return unit_; }

    // The span as a timer takes it. `seconds` has millisecond resolution (d * 1000.0 truncated
    // toward zero). Absent when the count in the converted unit (minutes, hours and days become
    // seconds) does not fit a signed 64-bit integer, or the seconds value is not finite. Spans
    // beyond the nanosecond range (about 292 years) are clamped to it; timers never reach them.
    std::optional<std::chrono::nanoseconds> dispatchInterval() const;

   private:
    Interval(Unit unit, std::int64_t count, double seconds)
        : unit_(unit), count_(count), seconds_(seconds) {}
    Unit unit_;
    std::int64_t count_;
    double seconds_;
  };

  using Observer = std::function<void(Repeater&)>;
  using ObserverToken = std::uint64_t;
  using StateHandler = std::function<void(Repeater&, State)>;

  // A new, paused repeater with `observer` registered under token 1. Nothing fires before
  // `start()`. Without an executor the repeater runs on a strand of its own on the pool.
  static std::shared_ptr<Repeater> create(Interval interval, Mode mode,
                                          std::chrono::nanoseconds tolerance = {},
                                          std::optional<asio::any_io_executor> executor = {},
                                          Observer observer = {});
  // A started repeater in `once` mode.
  static std::shared_ptr<Repeater> once(Interval after, std::chrono::nanoseconds tolerance,
                                        std::optional<asio::any_io_executor> executor,
                                        Observer observer);
  // A started repeater, `finite(count)` when a count is given, else `infinite`.
  static std::shared_ptr<Repeater> every(Interval interval, std::optional<std::int64_t> count,
                                         std::chrono::nanoseconds tolerance,
                                         std::optional<asio::any_io_executor> executor,
                                         Observer observer);

  Repeater(Passkey, Interval interval, Mode mode, std::chrono::nanoseconds tolerance,
           asio::any_io_executor executor);
  ~Repeater();
  Repeater(const Repeater&) = delete;
  Repeater& operator=(const Repeater&) = delete;

  State state() const;
  Mode mode() const;
  std::optional<std::int64_t> remainingIterations() const;
  StateHandler onStateChanged() const;
  // Called after every assignment of the state, also when the value does not change, in the
  // order of the assignments; a report may come from another thread shortly after the call that
  // made it has returned. Handlers and observers must not throw.
  void setOnStateChanged(StateHandler handler);

  ObserverToken observe(Observer observer);
  // An unknown token changes nothing.
  void remove(ObserverToken token);
  // Removes every observer; with `thenStop`, a running or executing repeater is paused too.
  void removeAllObservers(bool thenStop);

  // Runs a firing at once on the caller's thread; with `andPause`, a running or executing
  // repeater is paused afterwards.
  void fire(bool andPause);
  // Pauses a running repeater, stores a new interval if one is given, restores the count of a
  // finite one and schedules the next firing one interval from now; with `restart` it runs again.
  void reset(std::optional<Interval> interval, bool restart);
  // Paused: runs (true). Finished: reset with restart (true). Otherwise false.
  bool start();
  // Running or executing: paused (true). Otherwise false.
  bool pause();
  // When the state is `from`, it becomes `to` (true); otherwise false.
  bool setPause(State from, State to);

 private:
  using Lock = std::unique_lock<std::mutex>;
  using Clock = std::chrono::steady_clock;

  void assign(State state);
  void report(Lock& lock);
  void resetLocked(std::optional<Interval> interval, bool restart);
  void configureTimer();
  void destroyTimer();
  void resumeTimer();
  void suspendTimer();
  void armTimer();
  void timerExpired(std::uint64_t generation);
  void timeFired(Lock& lock);
  void finishIfDone();

  mutable std::mutex mutex_;
  State state_ = State::paused;
  StateHandler onStateChanged_;
  std::map<ObserverToken, Observer> observers_;
  ObserverToken nextObserverID_ = 0;
  Mode mode_;
  std::optional<std::int64_t> remainingIterations_;
  Interval interval_;
  std::chrono::nanoseconds tolerance_;
  std::deque<State> pendingReports_;
  bool reporting_ = false;

  // The timer source: `generation_` changes whenever a pending wait must not fire any more.
  asio::steady_timer timer_;
  bool timerConfigured_ = false;
  bool timerResumed_ = false;
  std::uint64_t generation_ = 0;
  Clock::time_point nextDeadline_;
  std::optional<std::chrono::nanoseconds> period_;
};

// "idle/paused", "running", "executing", "finished".
std::string_view description(Repeater::State state);
inline bool isRunning(Repeater::State state) {
  return state == Repeater::State::running || state == Repeater::State::executing;
}
inline bool isExecuting(Repeater::State state) { return state == Repeater::State::executing; }
inline bool isFinished(Repeater::State state) { return state == Repeater::State::finished; }

}  // namespace async
