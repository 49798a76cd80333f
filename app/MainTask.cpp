#include "app/MainTask.h"

#include <exception>
#include <memory>
#include <stdexcept>

#include <boost/asio/async_result.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace app {

asio::awaitable<void> onMain() {
  if (!isMainThread()) throw std::logic_error("onMain: only main tasks may continue on the GUI thread");
  // A main task's executor is its strand on the GUI executor: posting to it goes through the
  // event loop and resumes inside the strand.
  auto executor = co_await asio::this_coro::executor;
  co_await asio::post(executor, asio::use_awaitable);
}

namespace detail {

asio::awaitable<void> runOnMainErased(std::function<void()> work) {
  auto initiation = [](auto handler, std::function<void()> work) {
    // The completion goes back through the awaiting coroutine's own executor.
    auto done = std::make_shared<asio::any_completion_handler<void(std::exception_ptr)>>(
        async::detail::postingTo<std::exception_ptr>(std::move(handler)));
    postToMain([done, work = std::move(work)] {
      std::exception_ptr error;
      try {
        work();
      } catch (...) {
        error = std::current_exception();
      }
      std::move (*done)(error);
    });
  };
  co_await asio::async_initiate<const asio::use_awaitable_t<>&, void(std::exception_ptr)>(
      initiation, asio::use_awaitable, std::move(work));
}

}  // namespace detail

}  // namespace app
