#pragma once
// A serial queue: work runs one item at a time, in the order of submission, whether it was
// submitted without waiting (async, run on the queue's own thread, started on first use) or
// with waiting (sync, run on the caller's thread once everything submitted before it has run).
// While work runs, the thread carries the queue's label (platform/ThreadLabel.h).
//
// Any thread may submit. sync called from work that this queue is running runs the block at once
// instead of waiting for itself. The owner destroys the queue: the destructor lets the queued work
// run and then joins the thread; when the last owner lets go on the queue's own thread, the thread
// is detached and ends after the queued work.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace tallylog {

class SerialQueue {
 public:
  explicit SerialQueue(std::string label);
  ~SerialQueue();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  const std::string& label() const;

  void async(std::function<void()> work);

  // Runs `work` in turn on the calling thread and returns its result; its exception passes on.
  template <typename F>
  std::invoke_result_t<F&> sync(F&& work) {
    Turn turn(*this);
    return work();
  }

  // Whether the calling thread is running work of this queue now.
  bool isCurrent() const;

 private:
  struct State;

  // Waits for the caller's turn on construction and ends it on destruction.
  class Turn {
   public:
    explicit Turn(SerialQueue& queue);
    ~Turn();
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

   private:
    std::shared_ptr<State> state_;
    bool nested_;
    std::string previousLabel_;
    const State* previousQueue_;
  };

  std::shared_ptr<State> state_;
};

}  // namespace tallylog
