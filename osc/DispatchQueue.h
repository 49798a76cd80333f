#pragma once
// DispatchQueue: a serial queue for blocks handed over without waiting. Blocks run one at a time,
// in the order of submission, on the process-wide pool through one strand; while a block runs,
// its thread carries the queue's label (platform/ThreadLabel.h), so log lines show the queue.
//
// Owned through std::shared_ptr (make()); whoever must not keep the queue alive holds it weakly.
// Any thread may submit. A block that throws loses its error (nobody waits for it). Blocks are
// short and never block their pool thread.

#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/post.hpp>

#include "async/Executor.h"
#include "platform/ThreadLabel.h"

namespace osc {

namespace asio = boost::asio;

class DispatchQueue {
  struct Passkey {};

 public:
  static std::shared_ptr<DispatchQueue> make(std::string label,
                                             const asio::any_io_executor& executor = async::poolExecutor());
  DispatchQueue(Passkey, std::string label, const asio::any_io_executor& executor);
  DispatchQueue(const DispatchQueue&) = delete;
  DispatchQueue& operator=(const DispatchQueue&) = delete;

  const std::string& label() const { return label_; }
  // The strand. Coroutines spawned on it are serialised with the blocks (without the label).
  const asio::any_io_executor& executor() const { return strand_; }

  void async(std::function<void()> work) const;

  // Runs `work` on the queue after everything submitted before it and waits for its result (its
  // exception passes on). Not from a pool thread: that would tie up the pool that runs the queue.
  template <typename F>
  std::invoke_result_t<F&> sync(F work) const {
    checkMayWait();
    std::packaged_task<std::invoke_result_t<F&>()> task(std::move(work));
    auto result = task.get_future();
    asio::post(strand_, [this, &task] {
      platform::ScopedThreadLabel scoped(label_);
      task();
    });
    return result.get();
  }

 private:
  void checkMayWait() const;

  std::string label_;
  asio::any_io_executor strand_;
};

}  // namespace osc
