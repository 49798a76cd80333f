#pragma once
// Consumers that run a sequence in a task of their own (spawned on the pool) and return its
// handle: sink (one or two closures) and assign. Each copies the sequence and the closures into the
// task, which keeps them alive until it ends; dropping the handle does not stop it. Closures are
// called in that task, one element at a time, the next element being pulled only after
// receiveValue's awaitable has completed. receiveValue: Element -> asio::awaitable<void>;
// receiveCompletion: AsyncSequenceCompletion -> asio::awaitable<void>. Neither may throw.

#include <exception>
#include <memory>
#include <utility>

#include "async/AsyncSequence.h"
#include "async/AsyncSequenceCompletion.h"
#include "async/Cancellation.h"
#include "async/TaskHandle.h"

namespace async {

namespace detail {

template <class S, class ReceiveValue>
asio::awaitable<void> sinkValues(S sequence, ReceiveValue receiveValue) {
  auto iterator = sequence.makeAsyncIterator();
  while (auto element = co_await iterator.next()) {
    co_await receiveValue(std::move(*element));
    co_await checkCancellation();
  }
}

template <class S, class ReceiveValue, class ReceiveCompletion>
asio::awaitable<void> sinkWithCompletion(S sequence, ReceiveValue receiveValue,
                                         ReceiveCompletion receiveCompletion) {
  auto iterator = sequence.makeAsyncIterator();
  AsyncSequenceCompletion completion;
  for (;;) {
    std::optional<ElementOf<S>> element;
    try {
      element = co_await iterator.next();
    } catch (...) {
      completion = AsyncSequenceCompletion::failure(std::current_exception());
      break;
    }
    if (element) co_await receiveValue(std::move(*element));
    const bool cancelled = co_await isCancelled();
    if (cancelled) {
      completion = AsyncSequenceCompletion::failure(std::make_exception_ptr(CancellationError{}));
      break;
    }
    if (!element) break;
  }
  co_await receiveCompletion(std::move(completion));
}

template <class S, class Object, class Member>
asio::awaitable<void> assignValues(S sequence, std::shared_ptr<Object> object,
                                   Member Object::*member) {
  auto iterator = sequence.makeAsyncIterator();
  while (auto element = co_await iterator.next()) (*object).*member = std::move(*element);
}

}  // namespace detail

// Runs until the end (success), an error (the task's error) or, after an element, cancellation
// (CancellationError).
template <AsyncSequence S, class ReceiveValue>
TaskHandle<void> sink(S sequence, ReceiveValue receiveValue) {
  return spawn(detail::sinkValues(std::move(sequence), std::move(receiveValue)));
}

// Never fails: the end, an error or cancellation (seen after each element and at the end) reach
// receiveCompletion exactly once, as the last call.
template <AsyncSequence S, class ReceiveValue, class ReceiveCompletion>
TaskHandle<void> sink(S sequence, ReceiveValue receiveValue, ReceiveCompletion receiveCompletion) {
  return spawn(detail::sinkWithCompletion(std::move(sequence), std::move(receiveValue),
                                          std::move(receiveCompletion)));
}

// Writes each element into object->*member (from the task's thread: the caller makes that safe).
// Looks at no cancellation: it ends only with the sequence's end or error.
template <AsyncSequence S, class Object, class Member>
TaskHandle<void> assign(S sequence, Member Object::*member, std::shared_ptr<Object> object) {
  return spawn(detail::assignValues(std::move(sequence), std::move(object), member));
}

}  // namespace async
