#pragma once
// SubSequenceManager<T>: the multicast core behind shared sequences. One pump task reads a base
// sequence; every element is offered to every subscriber registered at that moment, each
// subscriber having an unbounded stream of its own.
//
// - subscribe() registers the subscriber before it returns (any thread, no task involved), so a
//   caller that subscribes before sending a request sees the answer.
// - After the base has ended or thrown, a new subscriber is finished at once the same way.
// - Registration and delivery are each one critical section under the manager's lock; the hooks
//   willRegister/didDeliver run inside them, so a subclass can add a replay buffer in which a
//   subscriber gets every element exactly once (replayed or live).
// - The pump holds the manager only weakly while it waits for the base. The manager lives as long
//   as its owners (shared sequences) or any subscriber stream; when it goes it cancels the pump,
//   which reaches the base through its pending next().
// Owned through std::shared_ptr (create with std::make_shared).

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "async/AsyncSequence.h"
#include "async/AsyncStream.h"
#include "async/Cancellation.h"
#include "async/TaskHandle.h"

namespace async {

template <class T>
class SubSequenceManager : public std::enable_shared_from_this<SubSequenceManager<T>> {
 public:
  using Stream = AsyncThrowingStream<T>;
  using Continuation = typename Stream::Continuation;

  template <AsyncSequence Base>
  explicit SubSequenceManager(Base base)
      : makePump_([base = std::move(base)](std::weak_ptr<SubSequenceManager> manager) {
          return spawn(pump(std::move(manager), base));
        }) {}
  SubSequenceManager(const SubSequenceManager&) = delete;
  SubSequenceManager& operator=(const SubSequenceManager&) = delete;
  virtual ~SubSequenceManager() {
    if (pump_.valid()) pump_.cancel();
  }

  // A new subscriber's iterator; registered before this returns.
  typename Stream::Iterator subscribe() {
    auto [stream, continuation] = Stream::makeStream();
    const std::uint64_t key = nextKey_++;
    // The subscriber's stream keeps the manager alive until it terminates; then its entry goes.
    continuation.setOnTermination([self = this->shared_from_this(), key](Termination) {
      self->remove(key);
    });
    bool over = false;
    std::exception_ptr outcome;
    {
      std::lock_guard lock(mutex_);
      willRegister(continuation);
      if (over_) {
        over = true;
        outcome = outcome_;
      } else {
        continuations_.emplace(key, continuation);
      }
    }
    if (over) finish(continuation, outcome);
    return stream.makeAsyncIterator();
  }

  // Starts reading the base, once; later calls do nothing. Any thread.
  void startPumping() {
    std::lock_guard lock(mutex_);
    if (!pump_.valid()) pump_ = makePump_(this->weak_from_this());
  }

 protected:
  // Called under the lock when a subscriber registers (also after the end, before it is finished).
  virtual void willRegister(const Continuation&) {}
  // Called under the lock after an element has been offered to every registered subscriber.
  virtual void didDeliver(const T&) {}

 private:
  static void finish(const Continuation& continuation, const std::exception_ptr& outcome) {
    if (outcome) {
      continuation.finish(outcome);
    } else {
      continuation.finish();
    }
  }

  void deliver(const T& element) {
    std::lock_guard lock(mutex_);
    for (auto& entry : continuations_) entry.second.yield(element);  // yield never calls out
    didDeliver(element);
  }

  // Ends every subscriber with the base's outcome (null: the base ended normally).
  void end(std::exception_ptr outcome) {
    std::map<std::uint64_t, Continuation> subscribers;
    {
      std::lock_guard lock(mutex_);
      over_ = true;
      outcome_ = outcome;
      subscribers.swap(continuations_);
    }
    for (auto& entry : subscribers) finish(entry.second, outcome);
  }

  void remove(std::uint64_t key) {
    std::lock_guard lock(mutex_);
    continuations_.erase(key);
  }

  template <class Base>
  static asio::awaitable<void> pump(std::weak_ptr<SubSequenceManager> weak, Base base) {
    const bool cancelled = co_await isCancelled();
    if (cancelled) {
      if (auto self = weak.lock()) self->end(std::make_exception_ptr(CancellationError{}));
      co_return;
    }
    auto iterator = base.makeAsyncIterator();
    for (;;) {
      std::optional<T> element;
      std::exception_ptr error;
      try {
        element = co_await iterator.next();
      } catch (...) {
        error = std::current_exception();
      }
      auto self = weak.lock();
      if (!self) co_return;
      if (!element) {
        self->end(error);
        co_return;
      }
      self->deliver(*element);
    }
  }

  std::function<TaskHandle<void>(std::weak_ptr<SubSequenceManager>)> makePump_;
  std::atomic<std::uint64_t> nextKey_{0};
  std::mutex mutex_;
  std::map<std::uint64_t, Continuation> continuations_;
  bool over_ = false;
  std::exception_ptr outcome_;
  TaskHandle<void> pump_;
};

}  // namespace async
