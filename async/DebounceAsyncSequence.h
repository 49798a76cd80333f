#pragma once
// DebounceAsyncSequence<Base>: gives an element out only once the base has been quiet for
// `dueTime` seconds; an element followed within the due time by a newer one is dropped.
// Each next() runs rounds: a pull from the base (a task of its own, on the base iterator moved into
// it) raced against a sleep of the due time. A pull that wins makes its element pending (dropping
// the one before) and starts a new pull; a sleep that wins gives out the pending element and keeps
// the running pull for the next call. The base's end ends the sequence at once (a pending element
// is not given out); its error is thrown at once (the pending element is lost).
// Cancelling the awaiting task cancels both tasks of the race (a cancelled sleep counts as over);
// with nothing pending it then waits for the cancelled pull alone. Destroying the iterator cancels
// a pull it still holds. dueTime: see Seconds.h (out-of-range values throw std::invalid_argument
// at creation). One task at a time per iterator; the base iterator must be movable across tasks.

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "async/AsyncSequence.h"
#include "async/Cancellation.h"
#include "async/ErrorMechanism.h"
#include "async/Seconds.h"
#include "async/TaskHandle.h"
#include "async/TaskRace.h"

namespace async {

namespace detail {
// Sleeps `duration`; a cancelled sleep ends early without an error.
asio::awaitable<void> sleepIgnoringCancellation(std::chrono::steady_clock::duration duration);
}  // namespace detail

template <AsyncSequence Base>
class DebounceAsyncSequence {
  using Duration = std::chrono::steady_clock::duration;

 public:
  using Element = ElementOf<Base>;

  class Iterator {
    using BaseIterator = AsyncIteratorOf<Base>;

    // The base iterator travels into the pull task and comes back with the result.
    struct PullState {
      std::optional<BaseIterator> iterator;
      std::optional<Result<std::optional<Element>>> result;
    };

    // A pull task; cancelled when dropped before it was consumed.
    class Pull {
     public:
      explicit Pull(BaseIterator iterator) : state_(std::make_shared<PullState>()) {
        state_->iterator.emplace(std::move(iterator));
        task_ = spawn(run(state_));
      }
      Pull(Pull&& other) noexcept = default;
      Pull& operator=(Pull&& other) noexcept {
        if (this != &other) {
          if (task_.valid()) task_.cancel();
          state_ = std::move(other.state_);
          task_ = std::exchange(other.task_, {});
        }
        return *this;
      }
      ~Pull() {
        if (task_.valid()) task_.cancel();
      }
      const TaskHandle<void>& task() const { return task_; }
      // Only after the task has finished.
      PullState take() && {
        task_ = {};
        return std::move(*state_);
      }

     private:
      static asio::awaitable<void> run(std::shared_ptr<PullState> state) {
        try {
          auto element = co_await state->iterator->next();
          state->result.emplace(Result<std::optional<Element>>::success(std::move(element)));
        } catch (...) {
          state->result.emplace(Result<std::optional<Element>>::failure(std::current_exception()));
        }
      }
      std::shared_ptr<PullState> state_;
      TaskHandle<void> task_;
    };

   public:
    using Element = DebounceAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      std::optional<Element> pending;
      for (;;) {
        Pull pull = resultTask_ ? std::move(*std::exchange(resultTask_, std::nullopt))
                                : Pull(std::move(*std::exchange(base_, std::nullopt)));
        bool pullWon = true;
        const bool cancelled = co_await isCancelled();
        if (cancelled && !pending) {
          // A cancelled sleep would win every round at once: wait for the pull alone.
          pull.task().cancel();
          co_await pull.task().wait();
        } else {
          auto sleeper = spawn(detail::sleepIgnoringCancellation(dueTime_));
          // No braced list inside co_await: g++ 12 cannot keep its array in the frame.
          std::vector<std::shared_ptr<detail::TaskCore>> racers{pull.task().core(), sleeper.core()};
          const auto winner = co_await race(std::move(racers));
          pullWon = winner == 0;
        }
        if (!pullWon) {
          resultTask_.emplace(std::move(pull));
          if (pending) co_return pending;
          continue;
        }
        auto state = std::move(pull).take();
        base_ = std::move(state.iterator);
        auto& result = *state.result;
        if (result.isFailure()) result.rethrowError();
        auto element = std::move(result).get();
        if (!element) co_return std::nullopt;
        pending = std::move(element);
      }
    }

   private:
    friend class DebounceAsyncSequence;
    Iterator(BaseIterator base, Duration dueTime) : base_(std::move(base)), dueTime_(dueTime) {}

    std::optional<BaseIterator> base_;  // absent while a pull task holds it
    Duration dueTime_;
    std::optional<Pull> resultTask_;  // a pull not consumed yet
  };

  DebounceAsyncSequence(Base base, double dueTime)
      : base_(std::move(base)),
        dueTime_(std::chrono::duration_cast<Duration>(durationFromSeconds(dueTime))) {}

  Iterator makeAsyncIterator() const { return Iterator(base_.makeAsyncIterator(), dueTime_); }

 private:
  Base base_;
  Duration dueTime_;
};

template <AsyncSequence Base>
DebounceAsyncSequence<Base> debounce(Base base, double dueTime) {
  return {std::move(base), dueTime};
}

}  // namespace async
