#pragma once
// AsyncStream<T> and AsyncThrowingStream<T>: a single-consumer asynchronous stream fed through a
// Continuation.
//
// - The Continuation (copyable, any thread) yields elements and finishes the stream, normally or,
//   for the throwing stream, with an error. Yields after the end are dropped.
// - Elements wait in a buffer chosen by the BufferingPolicy: unbounded, bufferingOldest(n) (a full
//   buffer drops the new element) or bufferingNewest(n) (a full buffer drops its oldest element;
//   with n = 0 an element reaches only a consumer that is already waiting).
// - The consumer side (the stream and its iterators, copies share it) is used by one task at a
//   time. next() gives the buffered elements, then the end; a finishing error is thrown once, after
//   the buffer has drained; after the end next() keeps answering the end.
// - The stream terminates once: when it is finished, when its consumer is cancelled while waiting
//   in next() (or calls next() already cancelled), or when the last stream and iterator copy is
//   dropped. Termination cancels the producer task of a producer-task stream and then runs the
//   onTermination handler, exactly once, on the thread that terminates the stream, before the
//   consumer sees the end. A handler set after the termination runs at once.
// Delivery never runs consumer code inline: a waiting consumer is resumed on its own executor, and
// yield() never calls out to other code, so it may be called under the caller's lock.

#include <functional>
#include <memory>
#include <utility>

#include "async/StreamStorage.h"
#include "async/TaskHandle.h"

namespace async {

template <class T, bool Throwing>
class BasicAsyncStream {
  using Storage = detail::StreamStorage<T>;

 public:
  using Element = T;

  // The producing end; copies refer to the same stream; usable from any thread.
  class Continuation {
   public:
    YieldResult<T> yield(T element) const { return storage_->yield(std::move(element)); }
    void finish() const { storage_->finish(nullptr); }
    void finish(std::exception_ptr error) const
      requires Throwing
    {
      storage_->finish(std::move(error));
    }
    void yieldAndFinish(T element) const {
      yield(std::move(element));
      finish();
    }
    void setOnTermination(std::function<void(Termination)> handler) const {
      storage_->setOnTermination(std::move(handler));
    }

   private:
    friend class BasicAsyncStream;
    explicit Continuation(std::shared_ptr<Storage> storage) : storage_(std::move(storage)) {}
    std::shared_ptr<Storage> storage_;
  };

  class Iterator {
   public:
    using Element = T;
    Iterator() = default;
    // An element, or no value at the end; throws the finishing error once (throwing stream).
    asio::awaitable<std::optional<T>> next() {
      if (!consumer_) return noElement();
      return consumer_->storage->next();
    }

   private:
    friend class BasicAsyncStream;
    explicit Iterator(std::shared_ptr<detail::StreamConsumer<T>> consumer)
        : consumer_(std::move(consumer)) {}
    static asio::awaitable<std::optional<T>> noElement() { co_return std::nullopt; }
    std::shared_ptr<detail::StreamConsumer<T>> consumer_;
  };

  // Calls `build` with the continuation before returning (Swift's closure form).
  explicit BasicAsyncStream(const std::function<void(Continuation)>& build,
                            BufferingPolicy policy = BufferingPolicy::unbounded())
      : BasicAsyncStream(std::make_shared<Storage>(policy)) {
    build(Continuation(consumer_->storage));
  }

  static std::pair<BasicAsyncStream, Continuation> makeStream(
      BufferingPolicy policy = BufferingPolicy::unbounded()) {
    BasicAsyncStream stream(std::make_shared<Storage>(policy));
    Continuation continuation(stream.consumer_->storage);
    return {std::move(stream), std::move(continuation)};
  }

  // The producer-task stream: runs `producer(continuation)` (a callable returning
  // asio::awaitable<void>) in a task of its own, cancelled when the stream terminates. Returns at
  // once. The producer yields and finishes through the continuation; returning does not finish the
  // stream. It may set its own onTermination handler: the task is cancelled either way.
  template <class Producer>
  static BasicAsyncStream withProducer(BufferingPolicy policy, Producer producer,
                                       const asio::any_io_executor& executor = poolExecutor()) {
    auto [stream, continuation] = makeStream(policy);
    auto storage = stream.consumer_->storage;
    auto task =
        spawn(executor, detail::runProducer(std::move(producer), std::move(continuation)));
    storage->attachProducer(task.core());
    return std::move(stream);
  }

  Iterator makeAsyncIterator() const { return Iterator(consumer_); }

 private:
  explicit BasicAsyncStream(std::shared_ptr<Storage> storage)
      : consumer_(std::make_shared<detail::StreamConsumer<T>>(std::move(storage))) {}

  std::shared_ptr<detail::StreamConsumer<T>> consumer_;
};

template <class T>
using AsyncStream = BasicAsyncStream<T, false>;
template <class T>
using AsyncThrowingStream = BasicAsyncStream<T, true>;

// The buffering policy every producer-task stream of the system uses.
inline BufferingPolicy makeUnboundedThrowingBufferingPolicy() {
  return BufferingPolicy::unbounded();
}

}  // namespace async
