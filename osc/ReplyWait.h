#pragma once
// The parts shared by OSCServer's waits for replies (internal to the OSC library): the reply tests
// and the race's operation, which iterates a subscription of its own until an element qualifies.

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <boost/asio/awaitable.hpp>

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

// The operation raced against the time-out: subscribes to `source` when it starts, handed only the
// elements `accept` takes (it runs under the source's lock: cheap, no throw), and gives the first
// that `pick` turns into a result, or none when the source ends without one. An
// error the source ends with passes on. (The end is not thrown here: an error thrown in this child
// task would be shared with the waiting task, and the wait throws its own.)
template <class Sequence, class Result>
struct FirstMatch {
  using Element = typename Sequence::Element;

  Sequence source;
  std::function<bool(const Element&)> accept;
  std::function<std::optional<Result>(const Element&)> pick;

  asio::awaitable<std::optional<Result>> operator()() {
    auto iterator = source.makeAsyncIterator(std::move(accept));
    for (;;) {
      std::optional<Element> element = co_await iterator.next();
      if (!element) co_return std::nullopt;
      std::optional<Result> result = pick(*element);
      if (result) co_return result;
    }
  }
};

// The wait's race: `operation` against `timeout` nanoseconds, with readTimeout as its expiry error;
// the end of the source without a match is serverStopped.
template <class Sequence, class Result>
asio::awaitable<Result> raceFirstMatch(std::uint64_t timeout, FirstMatch<Sequence, Result> operation) {
  // The race is made in a statement of its own: g++ 12 may destroy temporaries of a co_await twice.
  auto race = withTimeout(timeout, OSCServerError::readTimeout(), std::move(operation));
  std::optional<Result> result = co_await std::move(race);
  if (!result) throw OSCServerError::serverStopped();
  co_return std::move(*result);
}

}  // namespace osc::detail
