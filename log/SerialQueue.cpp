#include "log/SerialQueue.h"

#include "platform/ThreadLabel.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tallylog {

namespace {
// The queue whose work the calling thread runs now.
thread_local const void* runningQueue = nullptr;
}  // namespace

struct SerialQueue::State {
  explicit State(std::string name) : label(std::move(name)) {}

  struct Item {
    std::uint64_t ticket;
    std::function<void()> work;
  };

  const std::string label;
  std::mutex mutex;
  std::condition_variable turnChanged;
  std::deque<Item> items;
  std::uint64_t nextTicket = 0;
  std::uint64_t nowServing = 0;
  bool stopping = false;
  std::thread worker;

  void finishTurn() {
    {
      std::lock_guard lock(mutex);
      ++nowServing;
    }
    turnChanged.notify_all();
  }

  // The worker thread's loop; it holds the state itself, so it may outlive the queue object.
  static void run(std::shared_ptr<State> state) {
    platform::ScopedThreadLabel label(state->label);
    runningQueue = state.get();
    std::unique_lock lock(state->mutex);
    for (;;) {
      state->turnChanged.wait(lock, [&] {
        return (!state->items.empty() && state->items.front().ticket == state->nowServing) ||
               (state->stopping && state->items.empty());
      });
      if (state->items.empty()) return;
      std::function<void()> work = std::move(state->items.front().work);
      state->items.pop_front();
      lock.unlock();
      try {
        work();
      } catch (...) {
        // Work handed over without waiting has nobody to report to.
      }
      work = nullptr;
      state->finishTurn();
      lock.lock();
    }
  }
};

SerialQueue::SerialQueue(std::string label) : state_(std::make_shared<State>(std::move(label))) {}

SerialQueue::~SerialQueue() {
  std::thread worker;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    worker = std::move(state_->worker);
  }
  state_->turnChanged.notify_all();
  if (!worker.joinable()) return;
  if (worker.get_id() == std::this_thread::get_id()) {
    worker.detach();
  } else {
    worker.join();
  }
}

const std::string& SerialQueue::label() const { return state_->label; }

void SerialQueue::async(std::function<void()> work) {
  // Notified under the lock: once it is released, the work may already have run and destroyed this
  // queue.
  // The thread starts and the item is queued before the ticket is taken: if either fails, no
  // ticket is left that nobody would serve.
  std::lock_guard lock(state_->mutex);
  if (!state_->worker.joinable()) state_->worker = std::thread(&State::run, state_);
  state_->items.push_back({state_->nextTicket, std::move(work)});
  ++state_->nextTicket;
  state_->turnChanged.notify_all();
}

bool SerialQueue::isCurrent() const { return runningQueue == state_.get(); }

SerialQueue::Turn::Turn(SerialQueue& queue)
    : state_(queue.state_),
      nested_(queue.isCurrent()),
      previousQueue_(static_cast<const State*>(runningQueue)) {
  if (nested_) return;
  {
    std::unique_lock lock(state_->mutex);
    const std::uint64_t ticket = state_->nextTicket++;
    state_->turnChanged.wait(lock, [&] { return state_->nowServing == ticket; });
  }
  previousLabel_ = platform::threadLabel();
  platform::setThreadLabel(state_->label);
  runningQueue = state_.get();
}

SerialQueue::Turn::~Turn() {
  if (nested_) return;
  runningQueue = previousQueue_;
  platform::setThreadLabel(std::move(previousLabel_));
  state_->finishTurn();
}

}  // namespace tallylog
