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

// The operation raced against the time-out: subscribes to `source` when it starts and gives the
// first element that `pick` turns into a result. The end of the source without one is
// serverStopped; an error it ends with passes on.
template <class Sequence, class Result>
struct FirstMatch {
  using Element = typename Sequence::Element;

  Sequence source;
  std::function<std::optional<Result>(const Element&)> pick;

  asio::awaitable<Result> operator()() {
    auto iterator = source.makeAsyncIterator();
    for (;;) {
      std::optional<Element> element = co_await iterator.next();
      if (!element) throw OSCServerError::serverStopped();
      std::optional<Result> result = pick(*element);
      if (result) co_return std::move(*result);
    }
  }
};

}  // namespace osc::detail
