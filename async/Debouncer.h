#pragma once
// Debouncer: collapses a burst of triggers into one call of its callback, one delay after the last
// trigger of the burst. It measures the delay with one `Repeater` in `once` mode, made at the first
// trigger and reset with a restart by every later one.
//
// Ownership: always held through std::shared_ptr (made by `create`). The repeater's observer holds
// the debouncer weakly; releasing the debouncer releases its repeater, so a pending callback never
// runs.
//
// Threads: every operation may be called from any thread; a mutex serialises triggers and guards
// the fields, and is never held while the callback runs. The callback runs on the repeater's own
// strand on the process-wide pool, not on the thread that triggered.

#include "async/Repeater.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace async {

class Debouncer : public std::enable_shared_from_this<Debouncer> {
  struct Passkey {
    explicit Passkey() = default;
  };

 public:
  using Callback = std::function<void()>;

  static std::shared_ptr<Debouncer> create(Repeater::Interval delay, Callback callback = {});

  Debouncer(Passkey, Repeater::Interval delay, Callback callback);
  Debouncer(const Debouncer&) = delete;
  Debouncer& operator=(const Debouncer&) = delete;

  Repeater::Interval delay() const;
  Callback callback() const;
  // Takes effect for every firing that has not yet read the callback.
  void setCallback(Callback callback);

  // Starts the countdown again from the full delay; a new delay applies to this trigger and to
  // the later ones. Without a callback at the end of the delay, a debug line goes to standard
  // output instead.
  void trigger(std::optional<Repeater::Interval> newDelay = std::nullopt);

 private:
  static void fired(const std::weak_ptr<Debouncer>& weak);

  mutable std::mutex mutex_;
  Repeater::Interval delay_;
  Callback callback_;
  std::shared_ptr<Repeater> timer_;
};

}  // namespace async
