#pragma once
// ZipAsyncSequence<P, Q> and Zip3AsyncSequence<P, Q, R>: the n-th tuple holds the n-th element of
// every source. Each call pulls one element of every source, in order, in the calling task, and
// gives the end when any of them gave none (the elements the others gave on that call are lost).
// Errors pass unchanged from the first source that throws (the later ones are not pulled). No end
// flag: a call after the end pulls every source again, so a longer source loses one more element
// per call. Each makeAsyncIterator() makes fresh iterators of every source. Plain values.

#include <optional>
#include <tuple>
#include <utility>

#include "async/AsyncSequence.h"
#include "async/PullEach.h"

namespace async {

template <AsyncSequence... Sources>
  requires(sizeof...(Sources) == 2 || sizeof...(Sources) == 3)
class ZipAsyncSequence {
 public:
  using Element = std::tuple<ElementOf<Sources>...>;

  class Iterator {
    using Elements = std::tuple<std::optional<ElementOf<Sources>>...>;

   public:
    using Element = ZipAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      Elements pulled;
      co_await detail::pullEach(iterators_, pulled);
      co_return zipped(std::move(pulled), std::index_sequence_for<Sources...>{});
    }

   private:
    friend class ZipAsyncSequence;
    explicit Iterator(std::tuple<AsyncIteratorOf<Sources>...> iterators)
        : iterators_(std::move(iterators)) {}

    template <std::size_t... I>
    static std::optional<Element> zipped(Elements pulled, std::index_sequence<I...>) {
      if (!(std::get<I>(pulled) && ...)) return std::nullopt;
      return Element(std::move(*std::get<I>(pulled))...);
    }

    std::tuple<AsyncIteratorOf<Sources>...> iterators_;
  };

  explicit ZipAsyncSequence(Sources... sources) : sources_(std::move(sources)...) {}

  Iterator makeAsyncIterator() const {
    return Iterator(detail::makeIterators(sources_));
  }

 private:
  std::tuple<Sources...> sources_;
};

template <AsyncSequence P, AsyncSequence Q, AsyncSequence R>
using Zip3AsyncSequence = ZipAsyncSequence<P, Q, R>;

template <AsyncSequence... Sources>
ZipAsyncSequence<Sources...> zip(Sources... sources) {
  return ZipAsyncSequence<Sources...>(std::move(sources)...);
}

}  // namespace async
