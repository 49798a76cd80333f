#pragma once
// RemoveDuplicatesAsyncSequence<Base>: the base's elements without those that duplicate the
// element the base gave just before (equality, or predicate(previous, current) returning true).
// The reference is always the element received last, dropped or not; it is forgotten when the
// base gives the end, and kept across an error. Duplicates are skipped within one next(). Errors
// pass unchanged; no end flag. The predicate is shared by every iterator and called from the
// iterating task. Plain values.

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "async/AsyncSequence.h"

namespace async {

template <AsyncSequence Base>
  requires std::equality_comparable<ElementOf<Base>>
class RemoveDuplicatesAsyncSequence {
 public:
  using Element = ElementOf<Base>;
  using Predicate = std::function<bool(const Element& previous, const Element& current)>;

  class Iterator {
   public:
    using Element = RemoveDuplicatesAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      for (;;) {
        auto element = co_await iterator_.next();
        auto previous = std::exchange(previousElement_, element);
        if (!element || !previous || !(*predicate_)(*previous, *element)) co_return element;
      }
    }

   private:
    friend class RemoveDuplicatesAsyncSequence;
    Iterator(std::shared_ptr<const Predicate> predicate, AsyncIteratorOf<Base> iterator)
        : predicate_(std::move(predicate)), iterator_(std::move(iterator)) {}
    std::shared_ptr<const Predicate> predicate_;
    AsyncIteratorOf<Base> iterator_;
    std::optional<Element> previousElement_;
  };

  RemoveDuplicatesAsyncSequence(Base base, Predicate predicate)
      : base_(std::move(base)), predicate_(std::make_shared<const Predicate>(std::move(predicate))) {}

  Iterator makeAsyncIterator() const { return Iterator(predicate_, base_.makeAsyncIterator()); }

 private:
  Base base_;
  std::shared_ptr<const Predicate> predicate_;
};

template <AsyncSequence Base>
RemoveDuplicatesAsyncSequence<Base> removeDuplicates(Base base) {
  return {std::move(base), std::equal_to<ElementOf<Base>>()};
}

template <AsyncSequence Base, class Predicate>
RemoveDuplicatesAsyncSequence<Base> removeDuplicates(Base base, Predicate predicate) {
  return {std::move(base), std::move(predicate)};
}

}  // namespace async
