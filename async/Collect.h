#pragma once
// Consumers that run in the caller's task: first, last and collect. Each makes one iterator of the
// sequence and rethrows its error.

#include <optional>
#include <vector>

#include "async/AsyncSequence.h"

namespace async {

// The first element, or none for an empty sequence; asks for nothing more.
template <AsyncSequence S>
asio::awaitable<std::optional<ElementOf<S>>> first(S sequence) {
  auto iterator = sequence.makeAsyncIterator();
  co_return co_await iterator.next();
}

// The last element, or none for an empty sequence.
template <AsyncSequence S>
asio::awaitable<std::optional<ElementOf<S>>> last(S sequence) {
  auto iterator = sequence.makeAsyncIterator();
  std::optional<ElementOf<S>> kept;
  while (auto element = co_await iterator.next()) kept = std::move(element);
  co_return kept;
}

// The elements in arrival order; with a count, returns as soon as it holds at least that many
// (the count is looked at only after an append, so a count of 0 or less gives the first element).
template <AsyncSequence S>
asio::awaitable<std::vector<ElementOf<S>>> collect(S sequence,
                                                   std::optional<int> count = std::nullopt) {
  auto iterator = sequence.makeAsyncIterator();
  std::vector<ElementOf<S>> elements;
  while (auto element = co_await iterator.next()) {
    elements.push_back(std::move(*element));
    if (count && static_cast<long long>(elements.size()) >= *count) break;
  }
  co_return elements;
}

}  // namespace async
