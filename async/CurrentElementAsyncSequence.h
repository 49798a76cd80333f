#pragma once
// CurrentElementAsyncSequence<E>: a subject that also keeps the last element sent (or the initial
// one) readable through element(). A handle: copies share one state, guarded by a mutex, so send,
// finish and element() may be called from any thread and element() never runs ahead of what was
// yielded. The initial element is the first buffered element of the stream. After the finish,
// sends still update element() while the stream drops them. When the last copy goes the stream is
// finished (see PassthroughAsyncSequence.h).

#include <memory>
#include <mutex>
#include <utility>

#include "async/PassthroughAsyncSequence.h"

namespace async {

template <class E>
class CurrentElementAsyncSequence {
  struct State {
    explicit State(E initial) : element(std::move(initial)) {
      subject.continuation.yield(element);
    }
    std::mutex mutex;
    E element;  // guarded by mutex
    detail::SubjectStream<AsyncStream<E>> subject;
  };

 public:
  using Element = E;
  using Iterator = typename AsyncStream<E>::Iterator;

  explicit CurrentElementAsyncSequence(E initial)
      : state_(std::make_shared<State>(std::move(initial))) {}

  E element() const {
    std::lock_guard lock(state_->mutex);
    return state_->element;
  }

  // The stream never calls out from yield or finish (no termination handler), so both may run
  // under the lock that keeps element() in step with the stream.
  void send(E element) const {
    std::lock_guard lock(state_->mutex);
    state_->subject.continuation.yield(element);
    state_->element = std::move(element);
  }
  void finish() const {
    std::lock_guard lock(state_->mutex);
    state_->subject.continuation.finish();
  }
  void sendAndFinish(E element) const {
    std::lock_guard lock(state_->mutex);
    state_->subject.continuation.yieldAndFinish(element);
    state_->element = std::move(element);
  }

  Iterator makeAsyncIterator() const { return state_->subject.stream.makeAsyncIterator(); }

 private:
  std::shared_ptr<State> state_;
};

}  // namespace async
