#include <algorithm>
#include <chrono>
#include <cstdint>

#include "async/Cancellation.h"
#include "async/Timeout.h"
#include "device/Presets/PresetWaitState.h"

namespace device {

namespace {

boost::asio::awaitable<PresetData> nextData(std::shared_ptr<PresetWait::State> state) {
  auto container = co_await state->iterator.next();
  if (container) co_return std::move(container->data);
  if (co_await async::isCancelled()) throw async::CancellationError();
  throw PresetSegmentHandlerError::incompleteReceive();
}

// The operation raced against the time-out; a named callable, never a lambda inside co_await.
struct NextData {
  std::shared_ptr<PresetWait::State> state;
  boost::asio::awaitable<PresetData> operator()() const { return nextData(state); }
};

boost::asio::awaitable<PresetData> nextDataWithin(std::shared_ptr<PresetWait::State> state,
                                                  std::uint64_t timeoutNanoseconds) {
  // Saturated into the clock's range: a huge time-out waits "for ever" instead of overflowing.
  const auto limit = static_cast<std::uint64_t>(std::chrono::nanoseconds::max().count() / 2);
  const std::chrono::nanoseconds timeout(static_cast<std::int64_t>(std::min(timeoutNanoseconds, limit)));
  // Named first: g++ 12 destroys temporaries with destructors inside a co_await expression twice.
  const NextData operation{std::move(state)};
  const PresetSegmentHandlerError error = PresetSegmentHandlerError::timeout();
  co_return co_await async::withTimeout(timeout, error, operation);
}

}  // namespace

boost::asio::awaitable<PresetData> PresetWait::value() const { return nextData(state_); }

boost::asio::awaitable<PresetData> PresetWait::value(std::uint64_t timeoutNanoseconds) const {
  return nextDataWithin(state_, timeoutNanoseconds);
}

}  // namespace device
