#pragma once
// The async-sequence model: a sequence makes a fresh iterator with makeAsyncIterator(); an
// iterator's next() gives the next element, or no value at the end, and may throw the sequence's
// error. After the end, next() keeps answering the end. Iterators are movable and used by one task
// at a time; each makeAsyncIterator() starts an independent iteration (for a stream, of the one
// stream).

#include <concepts>
#include <optional>
#include <utility>

#include <boost/asio/awaitable.hpp>

namespace async {

namespace asio = boost::asio;

template <class I>
concept AsyncIteratorProtocol = std::movable<I> && requires(I& iterator) {
  typename I::Element;
  { iterator.next() } -> std::same_as<asio::awaitable<std::optional<typename I::Element>>>;
};

template <class S>
concept AsyncSequence = std::copy_constructible<S> && requires(const S& sequence) {
  { sequence.makeAsyncIterator() } -> AsyncIteratorProtocol;
};

template <AsyncSequence S>
using AsyncIteratorOf = decltype(std::declval<const S&>().makeAsyncIterator());

template <AsyncSequence S>
using ElementOf = typename AsyncIteratorOf<S>::Element;

}  // namespace async
