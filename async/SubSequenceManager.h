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
// - A subscriber may bring a filter: elements it rejects are never copied into its stream (replayed
//   or live). The filter runs under the manager's lock: it must be cheap, must not throw and must
//   not call out.
// - Fed directly (the constructor without a base): no pump; the producer calls deliver() and end()
//   itself, from one thread at a time, and so saves a stream and a task hop per element.
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
  // Whether an element is for a subscriber; none: every element.
  using Filter = std::function<bool(const T&)>;

  // Fed directly through deliver() and end().
  SubSequenceManager() = default;
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
  typename Stream::Iterator subscribe(Filter filter = {}) {
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
      willRegister(continuation, filter);
      if (over_) {
        over = true;
        outcome = outcome_;
      } else {
        subscribers_.emplace(key, Subscriber{continuation, std::move(filter)});
      }
    }
    if (over) finish(continuation, outcome);
    return stream.makeAsyncIterator();
  }

  // Starts reading the base, once; later calls do nothing (as do all without a base). Any thread.
  void startPumping() {
    std::lock_guard lock(mutex_);
    if (makePump_ && !pump_.valid()) pump_ = makePump_(this->weak_from_this());
  }

  // Offers `element` to every registered subscriber whose filter takes it. The pump's delivery; a
  // manager fed directly is fed here, in order, from one thread at a time.
  void deliver(const T& element) {
    std::lock_guard lock(mutex_);
    if (over_) return;
    for (auto& entry : subscribers_) {
      // yield never calls out
      if (!entry.second.filter || entry.second.filter(element)) entry.second.continuation.yield(element);
    }
    didDeliver(element);
  }

  // Ends every subscriber with the base's outcome (null: the base ended normally); later
  // subscribers are finished the same way at once.
  void end(std::exception_ptr outcome) {
    std::map<std::uint64_t, Subscriber> subscribers;
    {
      std::lock_guard lock(mutex_);
      over_ = true;
      outcome_ = outcome;
      subscribers.swap(subscribers_);
    }
    for (auto& entry : subscribers) finish(entry.second.continuation, outcome);
  }

 protected:
  // Called under the lock when a subscriber registers (also after the end, before it is finished),
  // with the subscriber's filter.
  virtual void willRegister(const Continuation&, const Filter&) {}
  // Called under the lock after an element has been offered to every registered subscriber.
  virtual void didDeliver(const T&) {}

 private:
  struct Subscriber {
    Continuation continuation;
    Filter filter;
  };

  static void finish(const Continuation& continuation, const std::exception_ptr& outcome) {
    if (outcome) {
      continuation.finish(outcome);
    } else {
      continuation.finish();
    }
  }

  void remove(std::uint64_t key) {
    std::lock_guard lock(mutex_);
    subscribers_.erase(key);
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
  std::map<std::uint64_t, Subscriber> subscribers_;
  bool over_ = false;
  std::exception_ptr outcome_;
  TaskHandle<void> pump_;
};

}  // namespace async
