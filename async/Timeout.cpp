#include "async/Timeout.h"

#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/Cancellation.h"

namespace async::detail {

asio::awaitable<bool> raceTimeout(std::shared_ptr<TaskCore> child,
                                  std::chrono::steady_clock::duration duration) {
  const bool cancelledBefore = co_await isCancelled();
  bool timedOut = false;
  if (!cancelledBefore) {
    auto executor = co_await asio::this_coro::executor;
    // Shared with the child's end callback, which may run after this frame has moved on.
    auto timer = std::make_shared<asio::steady_timer>(executor, duration);
    child->onFinish([timer, executor] { asio::post(executor, [timer] { timer->cancel(); }); });
    boost::system::error_code error;
    co_await timer->async_wait(asio::redirect_error(asio::use_awaitable, error));
    // An expiry that crosses the child's end counts as the child's win.
    timedOut = !error && !child->isFinished();
  }
  if (!child->isFinished()) {
    child->cancel();
    co_await child->wait();
  }
  co_return timedOut;
}

}  // namespace async::detail
