#pragma once
// ChainAsyncSequence<P, Q>: every element of P, then, once P has ended, every element of Q. Each
// makeAsyncIterator() makes fresh iterators of both. No end flag: every next() asks P first and
// reaches Q only when P answers the end again. Errors pass unchanged. Plain value.

#include <optional>
#include <utility>

#include "async/AsyncSequence.h"

namespace async {

template <AsyncSequence P, AsyncSequence Q>
  requires std::same_as<ElementOf<P>, ElementOf<Q>>
class ChainAsyncSequence {
 public:
  using Element = ElementOf<P>;

  class Iterator {
   public:
    using Element = ChainAsyncSequence::Element;
    asio::awaitable<std::optional<Element>> next() {
      auto element = co_await iteratorP_.next();
      if (element) co_return element;
      co_return co_await iteratorQ_.next();
    }

   private:
    friend class ChainAsyncSequence;
    Iterator(AsyncIteratorOf<P> p, AsyncIteratorOf<Q> q)
        : iteratorP_(std::move(p)), iteratorQ_(std::move(q)) {}
    AsyncIteratorOf<P> iteratorP_;
    AsyncIteratorOf<Q> iteratorQ_;
  };

  ChainAsyncSequence(P p, Q q) : p_(std::move(p)), q_(std::move(q)) {}

  Iterator makeAsyncIterator() const { return Iterator(p_.makeAsyncIterator(), q_.makeAsyncIterator()); }

 private:
  P p_;
  Q q_;
};

template <AsyncSequence P, AsyncSequence Q>
ChainAsyncSequence<P, Q> chain(P p, Q q) {
  return ChainAsyncSequence<P, Q>(std::move(p), std::move(q));
}

}  // namespace async
