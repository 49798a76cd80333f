#pragma once
// TimerAsyncSequence: the current date (platform::Date, wall clock) once per interval, pushed into
// a PassthroughAsyncSequence by a ticking task. A handle: copies share one timer, whose state is
// guarded by a mutex; any thread may use it.
// - Nothing runs until makeAsyncIterator(), which starts a ticking task and returns an iterator of
//   the timer's one subject. The first date comes one interval later, each further one an interval
//   after the previous was sent (no drift correction). An interval of 0 ticks as fast as it can.
// - cancel() stops the task; the subject is then finished, so readers drain the buffered dates and
//   see the end. Releasing the last copy of the timer does the same.
// - A further makeAsyncIterator() stops the earlier task without finishing the subject and starts a
//   new one into the same subject (the iterators share its one buffer).
// - The interval is in seconds; the constructor throws std::invalid_argument for values the task
//   sleep cannot take (see Seconds.h).

#include <memory>

#include "async/PassthroughAsyncSequence.h"
#include "platform/ISO8601Date.h"

namespace async {

class TimerAsyncSequence {
  struct State;

 public:
  using Element = platform::Date;
  using Iterator = PassthroughAsyncSequence<platform::Date>::Iterator;

  explicit TimerAsyncSequence(double interval);

  double interval() const;
  Iterator makeAsyncIterator() const;
  void cancel() const;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace async
