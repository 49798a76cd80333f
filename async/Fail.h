#pragma once
// Fail<E, Error>: throws a copy of its error at the first next(), then gives the end. Its own
// iterator: each makeAsyncIterator() throws the error again.

#include <optional>
#include <utility>

#include <boost/asio/awaitable.hpp>

namespace async {

namespace asio = boost::asio;

template <class E, class Error>
class Fail {
 public:
  using Element = E;
  explicit Fail(Error error) : error_(std::move(error)) {}

  Fail makeAsyncIterator() const { return Fail(error_); }

  asio::awaitable<std::optional<E>> next() {
    if (!hasThrownError_) {
      hasThrownError_ = true;
      throw Error(error_);
    }
    co_return std::nullopt;
  }

 private:
  Error error_;
  bool hasThrownError_ = false;
};

}  // namespace async
