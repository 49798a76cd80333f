#pragma once
// Type erasure for sequences: AnyAsyncSequenceable<E> never throws (an error of the base is
// reported as the end), AnyThrowingAsyncSequenceable<E> passes the base's errors on. Each holds a
// copy of the base and makes a fresh base iterator per makeAsyncIterator(); the erased iterators
// keep no state of their own (after an end or error they ask the base iterator again). Copyable
// values, used like the base.

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "async/AsyncSequence.h"

namespace async {

template <class E, bool Throwing>
class BasicAnyAsyncSequenceable {
  struct Box {
    virtual ~Box() = default;
    virtual asio::awaitable<std::optional<E>> next() = 0;
  };
  template <class I>
  struct BoxOf final : Box {
    explicit BoxOf(I i) : iterator(std::move(i)) {}
    asio::awaitable<std::optional<E>> next() override { return iterator.next(); }
    I iterator;
  };

 public:
  using Element = E;

  class Iterator {
   public:
    using Element = E;
    asio::awaitable<std::optional<E>> next() {
      if constexpr (Throwing) {
        co_return co_await iterator_->next();
      } else {
        try {
          co_return co_await iterator_->next();
        } catch (...) {
          co_return std::nullopt;
        }
      }
    }

   private:
    friend class BasicAnyAsyncSequenceable;
    explicit Iterator(std::unique_ptr<Box> box) : iterator_(std::move(box)) {}
    std::unique_ptr<Box> iterator_;
  };

  template <AsyncSequence S>
    requires(std::same_as<ElementOf<S>, E> && !std::same_as<S, BasicAnyAsyncSequenceable>)
  explicit BasicAnyAsyncSequenceable(S base)
      : makeAsyncIterator_([base = std::move(base)] {
          return Iterator(std::make_unique<BoxOf<AsyncIteratorOf<S>>>(base.makeAsyncIterator()));
        }) {}

  // None for none, else the same as the constructor.
  template <AsyncSequence S>
  static std::optional<BasicAnyAsyncSequenceable> make(std::optional<S> base) {
    if (!base) return std::nullopt;
    return BasicAnyAsyncSequenceable(std::move(*base));
  }

  Iterator makeAsyncIterator() const { return makeAsyncIterator_(); }

 private:
  std::function<Iterator()> makeAsyncIterator_;
};

template <class E>
using AnyAsyncSequenceable = BasicAnyAsyncSequenceable<E, false>;
template <class E>
using AnyThrowingAsyncSequenceable = BasicAnyAsyncSequenceable<E, true>;

template <AsyncSequence S>
AnyAsyncSequenceable<ElementOf<S>> eraseToAnyAsyncSequenceable(S sequence) {
  return AnyAsyncSequenceable<ElementOf<S>>(std::move(sequence));
}

template <AsyncSequence S>
AnyThrowingAsyncSequenceable<ElementOf<S>> eraseToAnyThrowingAsyncSequenceable(S sequence) {
  return AnyThrowingAsyncSequenceable<ElementOf<S>>(std::move(sequence));
}

}  // namespace async
