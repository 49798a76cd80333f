#pragma once
// CatchErrorAsyncSequence<Base, Replacement>: the base's elements until the base first throws;
// then handler(error) gives a replacement sequence whose elements follow (within the same next()).
// The handler is called at most once per iteration; after the switch the base is never pulled
// again. An error of the replacement is not caught again: that call gives the end, and a later call
// pulls the replacement again. Never throws. The handler (shared by every iterator, called from the
// iterating task) must not throw. Each makeAsyncIterator() starts on the base again. Plain values.

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "async/AsyncSequence.h"

namespace async {

template <AsyncSequence Base, AsyncSequence Replacement>
  requires std::same_as<ElementOf<Base>, ElementOf<Replacement>>
class CatchErrorAsyncSequence {
 public:
  using Element = ElementOf<Base>;
  using Handler = std::function<Replacement(std::exception_ptr)>;

  class Iterator {
   public:
    using Element = CatchErrorAsyncSequence::Element;

    asio::awaitable<std::optional<Element>> next() {
      if (!caughtIterator_) {
        std::exception_ptr error;
        try {
          co_return co_await iterator_.next();
        } catch (...) {
          error = std::current_exception();
        }
        caughtIterator_.emplace((*handler_)(std::move(error)).makeAsyncIterator());
      }
      try {
        co_return co_await caughtIterator_->next();
      } catch (...) {
        co_return std::nullopt;
      }
    }

   private:
    friend class CatchErrorAsyncSequence;
    Iterator(std::shared_ptr<const Handler> handler, AsyncIteratorOf<Base> iterator)
        : handler_(std::move(handler)), iterator_(std::move(iterator)) {}
    std::shared_ptr<const Handler> handler_;
    AsyncIteratorOf<Base> iterator_;
    std::optional<AsyncIteratorOf<Replacement>> caughtIterator_;
  };

  CatchErrorAsyncSequence(Base base, Handler handler)
      : base_(std::move(base)), handler_(std::make_shared<const Handler>(std::move(handler))) {}

  Iterator makeAsyncIterator() const { return Iterator(handler_, base_.makeAsyncIterator()); }

 private:
  Base base_;
  std::shared_ptr<const Handler> handler_;
};

// handler: std::exception_ptr -> a sequence with the base's element type.
template <AsyncSequence Base, class Handler>
auto catchError(Base base, Handler handler) {
  using Replacement = std::invoke_result_t<Handler&, std::exception_ptr>;
  return CatchErrorAsyncSequence<Base, Replacement>(std::move(base), std::move(handler));
}

}  // namespace async
