#pragma once
// How a sequence ended, as handed to a sink's completion closure: failure with the error (a
// CancellationError when the sink's task was cancelled), or finished.

#include <exception>
#include <utility>

namespace async {

struct AsyncSequenceCompletion {
  enum class Kind { failure, finished };
  Kind kind = Kind::finished;
  std::exception_ptr error;  // set for failure

  static AsyncSequenceCompletion failure(std::exception_ptr error) {
    return {Kind::failure, std::move(error)};
  }
  static AsyncSequenceCompletion finished() { return {Kind::finished, nullptr}; }
};

}  // namespace async
