#include "async/Cancellation.h"

#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace async {

bool isCancellationError(const std::exception_ptr& error) {
  if (!error) return false;
  try {
    std::rethrow_exception(error);
  } catch (const CancellationError&) {
    return true;
  } catch (...) {
    return false;
  }
}

asio::awaitable<bool> isCancelled() {
  auto state = co_await asio::this_coro::cancellation_state;
  co_return state.cancelled() != asio::cancellation_type::none;
}

asio::awaitable<void> checkCancellation() {
  const bool cancelled = co_await isCancelled();
  if (cancelled) throw CancellationError{};
}

asio::awaitable<void> sleep(std::chrono::steady_clock::duration duration) {
  co_await checkCancellation();
  auto executor = co_await asio::this_coro::executor;
  asio::steady_timer timer(executor, duration);
  boost::system::error_code error;
  co_await timer.async_wait(asio::redirect_error(asio::use_awaitable, error));
  if (error) throw CancellationError{};
}

}  // namespace async
