#pragma once
// The GUI thread as an asio executor, and plain posting onto it.
//
// Work given to the executor runs later on the thread of the QApplication, in its event loop,
// through QMetaObject::invokeMethod(qApp, ..., Qt::QueuedConnection); it never runs inline. Work
// posted while no QApplication exists, or still queued when it is destroyed, is dropped (destroyed
// without running). Any thread may post.
//
// No Qt object header includes this one, so moc never reads asio.

#include <functional>
#include <memory>
#include <utility>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/execution.hpp>
#include <boost/asio/execution_context.hpp>

namespace app {

namespace asio = boost::asio;

namespace detail {
// Queues `work` on the GUI thread's event loop.
void postToGui(std::function<void()> work);
asio::execution_context& guiContext();
}  // namespace detail

// Runs `callback` on the GUI thread, after the current event has been handled.
inline void postToMain(std::function<void()> callback) { detail::postToGui(std::move(callback)); }

// True on the thread of the QApplication.
bool isMainThread();

class GuiExecutor {
 public:
  friend bool operator==(const GuiExecutor&, const GuiExecutor&) noexcept { return true; }
  friend bool operator!=(const GuiExecutor&, const GuiExecutor&) noexcept { return false; }

  asio::execution_context& query(asio::execution::context_t) const noexcept {
    return detail::guiContext();
  }
  static constexpr asio::execution::blocking_t::never_t query(asio::execution::blocking_t) noexcept {
    return asio::execution::blocking.never;
  }
  GuiExecutor require(asio::execution::blocking_t::never_t) const noexcept { return *this; }

  template <class F>
  void execute(F f) const {
    // Handlers may be move-only; the event loop wants a copyable callable.
    auto shared = std::make_shared<F>(std::move(f));
    detail::postToGui([shared] { std::move (*shared)(); });
  }
};

// The GUI executor as the type-erased executor the async layer takes.
asio::any_io_executor guiExecutor();

}  // namespace app
