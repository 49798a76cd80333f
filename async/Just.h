#pragma once
// Just<E>: gives its one element, then the end on every later call. Its own iterator: each
// makeAsyncIterator() gives the element again. Plain value; one task at a time.

#include <optional>
#include <utility>

#include <boost/asio/awaitable.hpp>

namespace async {

namespace asio = boost::asio;

template <class E>
class Just {
 public:
  using Element = E;
  explicit Just(E element) : element_(std::move(element)) {}

  Just makeAsyncIterator() const { return Just(element_); }

  asio::awaitable<std::optional<E>> next() {
    if (emittedElement_) co_return std::nullopt;
    emittedElement_ = true;
    co_return element_;
  }

 private:
  E element_;
  bool emittedElement_ = false;
};

}  // namespace async
