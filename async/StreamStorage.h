#pragma once
// The shared state of an AsyncStream (see AsyncStream.h for the contract): the buffer, the one
// waiting consumer and the termination actions, under one mutex. Owned jointly by the stream's
// continuations and its consumer side; any thread.

#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>

#include <boost/asio/async_result.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/Cancellation.h"
#include "async/TaskHandle.h"

namespace async {

enum class Termination { finished, cancelled };

struct BufferingPolicy {
  enum class Kind { unbounded, bufferingOldest, bufferingNewest };
  Kind kind = Kind::unbounded;
  std::size_t limit = 0;

  static BufferingPolicy unbounded() { return {}; }
  static BufferingPolicy bufferingOldest(std::size_t limit) {
    return {Kind::bufferingOldest, limit};
  }
  static BufferingPolicy bufferingNewest(std::size_t limit) {
    return {Kind::bufferingNewest, limit};
  }
};

template <class T>
struct YieldResult {
  enum class Kind { enqueued, dropped, terminated };
  Kind kind = Kind::enqueued;
  // enqueued: places left in the buffer (the maximum of std::size_t when unbounded).
  std::size_t remaining = 0;
  // dropped: the element that did not fit (the new one, or the oldest for bufferingNewest).
  std::optional<T> droppedElement;
};

namespace detail {

// What a stream does once when it terminates.
struct TerminationActions {
  std::function<void(Termination)> handler;
  std::shared_ptr<TaskCore> producer;
  void run(Termination reason);
};

template <class T>
class StreamStorage : public std::enable_shared_from_this<StreamStorage<T>> {
 public:
  using Waiter = asio::any_completion_handler<void(std::exception_ptr, std::optional<T>)>;

  explicit StreamStorage(BufferingPolicy policy) : policy_(policy) {}

  YieldResult<T> yield(T element) {
    using Kind = typename YieldResult<T>::Kind;
    YieldResult<T> result;
    std::optional<Waiter> waiter;
    {
      std::lock_guard lock(mutex_);
      if (terminated_) return {Kind::terminated, 0, std::nullopt};
      if (waiter_) {
        waiter = takeWaiter();
        result.remaining = placesLeft();
      } else if (policy_.kind == BufferingPolicy::Kind::unbounded) {
        buffer_.push_back(std::move(element));
        result.remaining = placesLeft();
        return result;
      } else if (buffer_.size() < policy_.limit) {
        buffer_.push_back(std::move(element));
        result.remaining = placesLeft();
        return result;
      } else if (policy_.kind == BufferingPolicy::Kind::bufferingOldest || policy_.limit == 0) {
        return {Kind::dropped, 0, std::move(element)};
      } else {
        result = {Kind::dropped, 0, std::move(buffer_.front())};
        buffer_.pop_front();
        buffer_.push_back(std::move(element));
        return result;
      }
    }
    std::move (*waiter)(nullptr, std::optional<T>(std::move(element)));
    return result;
  }

  void finish(std::exception_ptr error) {
    terminate(Termination::finished, std::move(error), false);
  }

  // The consumer was cancelled, or (dropBuffer) is gone.
  void cancel(bool dropBuffer) { terminate(Termination::cancelled, nullptr, dropBuffer); }

  void setOnTermination(std::function<void(Termination)> handler) {
    {
      std::lock_guard lock(mutex_);
      if (!terminated_) {
        actions_.handler = std::move(handler);
        return;
      }
    }
    if (handler) handler(reason_);
  }

  void attachProducer(std::shared_ptr<TaskCore> producer) {
    {
      std::lock_guard lock(mutex_);
      if (!terminated_) {
        actions_.producer = std::move(producer);
        return;
      }
    }
    producer->cancel();
  }

  asio::awaitable<std::optional<T>> next() {
    auto self = this->shared_from_this();
    const bool cancelled = co_await isCancelled();
    if (cancelled) self->cancel(false);
    std::optional<T> element;
    std::exception_ptr error;
    if (!self->take(element, error)) {
      auto initiation = [self](auto handler) { self->await(std::move(handler)); };
      element = co_await asio::async_initiate<const asio::use_awaitable_t<>&,
                                              void(std::exception_ptr, std::optional<T>)>(
          std::move(initiation), asio::use_awaitable);
    }
    if (error) std::rethrow_exception(error);
    co_return element;
  }

 private:
  // Refuses further yields, runs the termination actions, and only then lets the consumer see the
  // end (a waiting consumer is resumed with it).
  void terminate(Termination reason, std::exception_ptr error, bool dropBuffer) {
    TerminationActions actions;
    bool terminates = false;
    std::deque<T> dropped;
    {
      std::lock_guard lock(mutex_);
      if (!terminated_) {
        terminated_ = terminates = true;
        reason_ = reason;
        error_ = std::move(error);
        actions = std::move(actions_);
      }
      if (dropBuffer) dropped.swap(buffer_);
    }
    if (!terminates) return;
    actions.run(reason);
    std::optional<Waiter> waiter;
    std::exception_ptr waiterError;
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
      if (waiter_) {  // a waiting consumer has an empty buffer: the end is its next answer
        waiter = takeWaiter();
        waiterError = std::exchange(error_, nullptr);
      }
    }
    if (waiter) std::move (*waiter)(waiterError, std::nullopt);
  }

  // any_completion_handler's move assignment is broken in Boost 1.81: only ever move-construct.
  std::optional<Waiter> takeWaiter() {
    std::optional<Waiter> waiter;
    if (waiter_) {
      waiter.emplace(std::move(*waiter_));
      waiter_.reset();
    }
    return waiter;
  }

  std::size_t placesLeft() const {
    if (policy_.kind == BufferingPolicy::Kind::unbounded)
      return std::numeric_limits<std::size_t>::max();
    return policy_.limit > buffer_.size() ? policy_.limit - buffer_.size() : 0;
  }

  // Under mutex_: true when next() can answer at once (an element, the end or the error).
  bool takeLocked(std::optional<T>& element, std::exception_ptr& error) {
    if (!buffer_.empty()) {
      element.emplace(std::move(buffer_.front()));
      buffer_.pop_front();
      return true;
    }
    if (!ended_) return false;
    error = std::exchange(error_, nullptr);
    return true;
  }

  bool take(std::optional<T>& element, std::exception_ptr& error) {
    std::lock_guard lock(mutex_);
    return takeLocked(element, error);
  }

  // Runs on the consumer's executor, inside next()'s suspension.
  template <class Handler>
  void await(Handler handler) {
    auto slot = asio::get_associated_cancellation_slot(handler);
    auto waiter = postingTo<std::exception_ptr, std::optional<T>>(std::move(handler));
    std::optional<T> element;
    std::exception_ptr error;
    {
      std::lock_guard lock(mutex_);
      if (!takeLocked(element, error)) {
        if (waiter_) {
          error = std::make_exception_ptr(
              std::logic_error("AsyncStream: two consumers wait at the same time"));
        } else {
          waiter_.emplace(std::move(waiter));
          if (slot.is_connected()) {
            std::weak_ptr<StreamStorage> weak = this->shared_from_this();
            slot.assign([weak](asio::cancellation_type) {
              if (auto self = weak.lock()) self->cancel(false);
            });
          }
          return;
        }
      }
    }
    std::move(waiter)(error, std::move(element));
  }

  BufferingPolicy policy_;
  std::mutex mutex_;
  std::deque<T> buffer_;
  bool terminated_ = false;  // no more yields
  bool ended_ = false;       // the termination actions have run: the consumer may see the end
  Termination reason_ = Termination::finished;
  std::exception_ptr error_;  // thrown once, after the buffer
  std::optional<Waiter> waiter_;  // engaged while the consumer waits in next()
  TerminationActions actions_;
};

// The consumer side's share of a stream: when the last copy goes, the stream terminates.
template <class T>
struct StreamConsumer {
  std::shared_ptr<StreamStorage<T>> storage;
  explicit StreamConsumer(std::shared_ptr<StreamStorage<T>> s) : storage(std::move(s)) {}
  StreamConsumer(const StreamConsumer&) = delete;
  StreamConsumer& operator=(const StreamConsumer&) = delete;
  ~StreamConsumer() { storage->cancel(true); }
};

template <class Continuation, class Producer>
asio::awaitable<void> runProducer(Producer producer, Continuation continuation) {
  co_await producer(std::move(continuation));
}

}  // namespace detail

}  // namespace async
