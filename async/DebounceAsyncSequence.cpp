#include "async/DebounceAsyncSequence.h"

namespace async::detail {

asio::awaitable<void> sleepIgnoringCancellation(std::chrono::steady_clock::duration duration) {
  try {
    co_await sleep(duration);
  } catch (const CancellationError&) {
  }
}

}  // namespace async::detail
