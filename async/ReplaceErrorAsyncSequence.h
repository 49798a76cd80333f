#pragma once
// ReplaceErrorAsyncSequence<Base>: the base's elements, with a copy of `replacement` in place of
// every error the base throws. Keeps no state: the call after a replacement pulls the base again,
// so a base that throws on every pull yields the replacement on every call. Never throws.

#include <optional>
#include <utility>

#include "async/AsyncSequence.h"

namespace async {

template <AsyncSequence Base>
class ReplaceErrorAsyncSequence {
 public:
  using Element = ElementOf<Base>;

  class Iterator {
   public:
    using Element = ReplaceErrorAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      try {
        co_return co_await iterator_.next();
      } catch (...) {
      }
      co_return replacement_;
    }

   private:
    friend class ReplaceErrorAsyncSequence;
    Iterator(Element replacement, AsyncIteratorOf<Base> iterator)
        : replacement_(std::move(replacement)), iterator_(std::move(iterator)) {}
    Element replacement_;
    AsyncIteratorOf<Base> iterator_;
  };

  ReplaceErrorAsyncSequence(Base base, Element replacement)
      : base_(std::move(base)), replacement_(std::move(replacement)) {}

  Iterator makeAsyncIterator() const { return Iterator(replacement_, base_.makeAsyncIterator()); }

 private:
  Base base_;
  Element replacement_;
};

template <AsyncSequence Base>
ReplaceErrorAsyncSequence<Base> replaceError(Base base, ElementOf<Base> replacement) {
  return {std::move(base), std::move(replacement)};
}

}  // namespace async
