#pragma once
// SequenceAsyncSequence<Base>: the elements of an ordinary range (a copy of it), one per next(),
// then the end. Never suspends, never throws. asyncSequence(range) makes one.

#include <iterator>
#include <memory>
#include <optional>
#include <ranges>
#include <utility>

#include <boost/asio/awaitable.hpp>

namespace async {

namespace asio = boost::asio;

template <std::ranges::forward_range Base>
class SequenceAsyncSequence {
 public:
  using Element = std::ranges::range_value_t<Base>;

  class Iterator {
   public:
    using Element = SequenceAsyncSequence::Element;
    asio::awaitable<std::optional<Element>> next() {
      if (position_ == std::ranges::end(*base_)) co_return std::nullopt;
      co_return *position_++;
    }

   private:
    friend class SequenceAsyncSequence;
    explicit Iterator(std::shared_ptr<const Base> base)
        : base_(std::move(base)), position_(std::ranges::begin(*base_)) {}
    std::shared_ptr<const Base> base_;
    std::ranges::iterator_t<const Base> position_;
  };

  explicit SequenceAsyncSequence(Base base)
      : sequence_(std::make_shared<const Base>(std::move(base))) {}

  Iterator makeAsyncIterator() const { return Iterator(sequence_); }

 private:
  std::shared_ptr<const Base> sequence_;  // immutable, so copies may share it
};

template <std::ranges::forward_range Base>
SequenceAsyncSequence<Base> asyncSequence(Base base) {
  return SequenceAsyncSequence<Base>(std::move(base));
}

}  // namespace async
