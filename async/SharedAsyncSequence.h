#pragma once
// SharedAsyncSequence<Base>: lets any number of readers iterate one base sequence at the same
// time. The base is read once, by one pump task that starts with the first reader; each
// makeAsyncIterator() registers a reader at once (any thread) with its own unbounded buffer. A
// reader gets every element the base gives after its registration, in the base's order, then the
// base's end or error; a reader that comes after the end gets that end at once. Nothing is
// replayed. Copies share one SubSequenceManager; when the last copy and the last reader are gone,
// the pump is cancelled.

#include <memory>
#include <utility>

#include "async/AsyncSequence.h"
#include "async/SubSequenceManager.h"

namespace async {

template <AsyncSequence Base>
class SharedAsyncSequence {
 public:
  using Element = ElementOf<Base>;
  using Iterator = typename AsyncThrowingStream<Element>::Iterator;

  explicit SharedAsyncSequence(Base base)
      : manager_(std::make_shared<SubSequenceManager<Element>>(std::move(base))) {}

  Iterator makeAsyncIterator() const {
    auto iterator = manager_->subscribe();
    manager_->startPumping();
    return iterator;
  }

 private:
  std::shared_ptr<SubSequenceManager<Element>> manager_;
};

template <AsyncSequence Base>
SharedAsyncSequence<Base> asShared(Base base) {
  return SharedAsyncSequence<Base>(std::move(base));
}

}  // namespace async
