#pragma once
// Helpers of the operators that hold a tuple of sources (combine-latest, zip).
// detail::makeIterators: a tuple of fresh iterators, one per source, made in order.
// detail::pullEach: one next() of each iterator of a tuple, in order, in the calling task; the
// answers go into the matching optionals of `pulled`. An error ends the pulls at that iterator
// (the later ones are not asked) and reaches the caller.

#include <cstddef>
#include <tuple>

#include <boost/asio/awaitable.hpp>

namespace async::detail {

template <std::size_t I = 0, class Iterators, class Pulled>
boost::asio::awaitable<void> pullEach(Iterators& iterators, Pulled& pulled) {
  if constexpr (I < std::tuple_size_v<Iterators>) {
    std::get<I>(pulled) = co_await std::get<I>(iterators).next();
    co_await pullEach<I + 1>(iterators, pulled);
  }
  co_return;
}

template <class... Sources>
auto makeIterators(const std::tuple<Sources...>& sources) {
  return std::apply(
      [](const Sources&... source) {
        // Braces: list-initialisation evaluates in order.
        return std::tuple<decltype(source.makeAsyncIterator())...>{source.makeAsyncIterator()...};
      },
      sources);
}

}  // namespace async::detail
