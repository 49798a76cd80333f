#pragma once
// The parts shared by OSCServer's waits for replies (internal to the OSC library): the reply tests
// and the wait itself, a one-shot watcher of a server sequence with a deadline. The wait completes
// in place: the receive loop that delivers the reply (or the stop that ends the sequence) posts
// the waiting task's continuation directly; no child task, stream or subscription is involved.

#include <boost/asio/async_result.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "async/Cancellation.h"
#include "async/TaskHandle.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCServerError.h"
#include "osc/ThrowingContinuationError.h"

namespace osc::detail {

// Strictly after `since`: an object stamped exactly at `since` does not qualify.
inline bool receivedAfter(const std::optional<DispatchTime>& receiveTime, DispatchTime since) {
  return receiveTime && *receiveTime > since;
}

// Without a host any sender qualifies (the port is not looked at); with one, only that sender.
inline bool fromSender(const std::optional<OSCEndpoint>& endpoint, const std::optional<std::string>& host,
                       std::uint16_t port) {
  return !host || (endpoint && endpoint->host == *host && endpoint->port == port);
}

// What a wait has come to; the first of the four to happen decides it.
template <class Result>
struct ReplyWaitState {
  enum class Outcome { pending, matched, ended, timedOut, cancelled };

  explicit ReplyWaitState(const asio::any_io_executor& executor) : timer(executor) {}

  // Decides the wait, once; later calls do nothing. Posts the waiting task's continuation.
  void decide(Outcome how, std::optional<Result> value = std::nullopt, std::exception_ptr error = nullptr) {
    {
      std::lock_guard lock(mutex);
      if (outcome != Outcome::pending) return;
      outcome = how;
      result = std::move(value);
      endError = std::move(error);
    }
    // Only the first decision gets here. Called where it lies: Boost 1.81's any_completion_handler
    // wraps itself again on every move.
    std::move(*completion)();
  }

  std::mutex mutex;
  Outcome outcome = Outcome::pending;
  std::optional<Result> result;
  std::exception_ptr endError;
  // Posts to the waiting task's executor; set before anything can decide the wait.
  std::optional<asio::any_completion_handler<void()>> completion;
  asio::steady_timer timer;                          // used on the waiting task's executor only
};

// The first element of `source` (one of the server's fed sequences) that `pick` turns into a
// result, from the replay or live, within `timeout` nanoseconds. Throws OSCServerError::readTimeout
// when the time runs out, the error the source ends with, or serverStopped() when it ends without
// one or the waiting task is (or gets) cancelled. Call from a task made by async::spawn.
template <class Result, class Sequence, class Pick>
asio::awaitable<Result> firstMatch(Sequence source, std::uint64_t timeout, Pick pick) {
  using State = ReplyWaitState<Result>;
  using Outcome = typename State::Outcome;
  using Element = typename Sequence::Element;
  if (co_await async::isCancelled()) throw OSCServerError::serverStopped();
  const auto state = std::make_shared<State>(co_await asio::this_coro::executor);
  std::uint64_t key = 0;
  const auto initiate = [&](auto handler) {
    if (auto slot = asio::get_associated_cancellation_slot(handler); slot.is_connected()) {
      slot.assign([state](asio::cancellation_type) { state->decide(Outcome::cancelled); });
    }
    state->completion.emplace(async::detail::postingTo<>(std::move(handler)));
    state->timer.expires_after(nanosecondsDuration(timeout));
    state->timer.async_wait([state](const boost::system::error_code& error) {
      if (!error) state->decide(Outcome::timedOut);
    });
    key = source.watch([state, pick](const Element* element, const std::exception_ptr& end) {
      if (!element) {
        state->decide(Outcome::ended, std::nullopt, end);
        return true;
      }
      std::optional<Result> result = pick(*element);
      if (!result) return false;
      state->decide(Outcome::matched, std::move(result));
      return true;
    });
  };
  co_await asio::async_initiate<decltype(asio::use_awaitable), void()>(initiate, asio::use_awaitable);
  source.unwatch(key);
  state->timer.cancel();
  Outcome outcome;
  std::exception_ptr endError;
  {
    std::lock_guard lock(state->mutex);
    outcome = state->outcome;
    endError = state->endError;
  }
  switch (outcome) {
    case Outcome::matched: co_return std::move(*state->result);
    case Outcome::timedOut: throw OSCServerError::readTimeout();
    case Outcome::ended:
      if (endError) std::rethrow_exception(endError);
      throw OSCServerError::serverStopped();
    default: throw OSCServerError::serverStopped();
  }
}

}  // namespace osc::detail
