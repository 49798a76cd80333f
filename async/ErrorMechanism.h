#pragma once
// Result<T>: a value that is either a success holding a T or a failure holding an error, kept so a
// generic operator can rethrow later an error it caught earlier. Plain value; one task at a time.

#include <exception>
#include <utility>
#include <variant>

namespace async {

namespace detail {
// Stops the program: rethrowError() was called on a success.
[[noreturn]] void materializedErrorWithoutThrowingContext();
}  // namespace detail

template <class T>
class Result {
 public:
  static Result success(T value) { return Result(std::in_place_index<0>, std::move(value)); }
  static Result failure(std::exception_ptr error) {
    return Result(std::in_place_index<1>, std::move(error));
  }

  bool isFailure() const { return value_.index() == 1; }

  // The value, or the stored error thrown.
  T get() && {
    if (isFailure()) std::rethrow_exception(std::get<1>(value_));
    return std::move(std::get<0>(value_));
  }

  // Throws the stored error. Only for a failure: on a success the program stops.
  [[noreturn]] void rethrowError() const {
    if (isFailure()) std::rethrow_exception(std::get<1>(value_));
    detail::materializedErrorWithoutThrowingContext();
  }

 private:
  template <std::size_t I, class V>
  Result(std::in_place_index_t<I> index, V&& value) : value_(index, std::forward<V>(value)) {}
  std::variant<T, std::exception_ptr> value_;
};

}  // namespace async
