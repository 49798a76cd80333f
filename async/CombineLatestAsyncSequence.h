#pragma once
// CombineLatestAsyncSequence<P, Q> and CombineLatest3AsyncSequence<P, Q, R>: tuples of one element
// of each source, pulled in lockstep (one next() of each source per call, in order, in the calling
// task). A source that has ended contributes its last element until every source has ended; a
// call on which no source gives an element gives the end. A source that ends before it ever gave
// an element ends the sequence, though what the others gave on that call is remembered. Errors
// pass unchanged from the first source that throws (the later ones are not pulled; elements
// pulled on that call are lost). No end flag: a call after the end pulls every source again. Each
// makeAsyncIterator() makes fresh iterators of every source. Plain values.

#include <optional>
#include <tuple>
#include <utility>

#include "async/AsyncSequence.h"
#include "async/PullEach.h"

namespace async {

template <AsyncSequence... Sources>
  requires(sizeof...(Sources) == 2 || sizeof...(Sources) == 3)
class CombineLatestAsyncSequence {
 public:
  using Element = std::tuple<ElementOf<Sources>...>;

  class Iterator {
    using Elements = std::tuple<std::optional<ElementOf<Sources>>...>;

   public:
    using Element = CombineLatestAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      Elements pulled;
      co_await detail::pullEach(iterators_, pulled);
      co_return combine(std::move(pulled), std::index_sequence_for<Sources...>{});
    }

   private:
    friend class CombineLatestAsyncSequence;
    explicit Iterator(std::tuple<AsyncIteratorOf<Sources>...> iterators)
        : iterators_(std::move(iterators)) {}

    template <std::size_t... I>
    std::optional<Element> combine(Elements pulled, std::index_sequence<I...>) {
      if (!(std::get<I>(pulled) || ...)) return std::nullopt;
      const bool complete = ((std::get<I>(pulled) || std::get<I>(previous_)) && ...);
      ((std::get<I>(pulled) ? void(std::get<I>(previous_) = std::move(std::get<I>(pulled)))
                            : void()),
       ...);
      if (!complete) return std::nullopt;
      return Element(*std::get<I>(previous_)...);
    }

    std::tuple<AsyncIteratorOf<Sources>...> iterators_;
    Elements previous_;
  };

  explicit CombineLatestAsyncSequence(Sources... sources) : sources_(std::move(sources)...) {}

  Iterator makeAsyncIterator() const {
    return Iterator(detail::makeIterators(sources_));
  }

 private:
  std::tuple<Sources...> sources_;
};

template <AsyncSequence P, AsyncSequence Q, AsyncSequence R>
using CombineLatest3AsyncSequence = CombineLatestAsyncSequence<P, Q, R>;

template <AsyncSequence... Sources>
CombineLatestAsyncSequence<Sources...> combineLatest(Sources... sources) {
  return CombineLatestAsyncSequence<Sources...>(std::move(sources)...);
}

}  // namespace async
