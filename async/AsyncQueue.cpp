#include "async/AsyncQueue.h"

#include <algorithm>

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

#include "async/Cancellation.h"

namespace async {

struct AsyncQueue::State {
  struct Entry {
    std::shared_ptr<detail::TaskCore> task;
    bool isBarrier;
    std::uint64_t id;
  };

  explicit State(Attributes a) : attributes(a) {}

  const Attributes attributes;
  std::mutex lock;
  std::vector<Entry> pendingTasks;  // oldest first
  std::uint64_t nextId = 0;
  std::pair<AsyncStream<std::exception_ptr>, AsyncStream<std::exception_ptr>::Continuation>
      errors = AsyncStream<std::exception_ptr>::makeStream();
};

AsyncQueue::AsyncQueue(Attributes attributes, const asio::any_io_executor& executor)
    : executor_(executor), state_(std::make_shared<State>(attributes)) {}

AsyncQueue::~AsyncQueue() = default;

AsyncQueue::Admission::Admission(State& state, bool barrier)
    : state_(state),
      lock_(state.lock),
      barrier_(barrier || !state.attributes.contains(Attributes::concurrent)) {
  id = state.nextId++;
  const auto& pending = state.pendingTasks;
  if (pending.empty()) return;
  if (!state.attributes.contains(Attributes::concurrent)) {
    dependencies.push_back(pending.back().task);
    return;
  }
  auto newestBarrier = std::find_if(pending.rbegin(), pending.rend(),
                                    [](const State::Entry& entry) { return entry.isBarrier; });
  if (barrier_) {
    // The newest barrier and everything after it; without a barrier, everything pending.
    auto first =
        newestBarrier == pending.rend() ? pending.begin() : std::prev(newestBarrier.base());
    for (auto it = first; it != pending.end(); ++it) dependencies.push_back(it->task);
  } else if (newestBarrier != pending.rend()) {
    dependencies.push_back(newestBarrier->task);
  }
}

void AsyncQueue::Admission::commit(std::shared_ptr<detail::TaskCore> task) {
  state_.pendingTasks.push_back({std::move(task), barrier_, id});
  lock_.unlock();
}

asio::awaitable<void> AsyncQueue::waitForAll(
    std::vector<std::shared_ptr<detail::TaskCore>> tasks) {
  for (auto& task : tasks) co_await task->wait();
}

asio::awaitable<bool> AsyncQueue::isCancellation(std::exception_ptr error) {
  if (isCancellationError(error)) co_return true;
  try {
    std::rethrow_exception(error);
  } catch (const boost::system::system_error& failure) {
    if (failure.code() != asio::error::operation_aborted) co_return false;
  } catch (...) {
    co_return false;
  }
  co_return co_await isCancelled();
}

void AsyncQueue::ended(const std::weak_ptr<State>& weak, std::uint64_t id,
                       std::exception_ptr error, bool cancelled) {
  auto state = weak.lock();
  if (!state) return;  // the queue is gone; nobody reads its entries or errors
  if (error && !cancelled &&
      state->attributes.contains(Attributes::publishErrors))
    state->errors.second.yield(error);
  std::lock_guard lock(state->lock);
  auto& pending = state->pendingTasks;
  auto entry = std::find_if(pending.begin(), pending.end(),
                            [id](const State::Entry& e) { return e.id == id; });
  if (entry != pending.end()) pending.erase(entry);
}

void AsyncQueue::cancelAllOperations() {
  std::lock_guard lock(state_->lock);
  for (auto& entry : state_->pendingTasks) entry.task->cancel();
}

AsyncStream<std::exception_ptr> AsyncQueue::errorSequence() const { return state_->errors.first; }

std::size_t AsyncQueue::pendingCount() const {
  std::lock_guard lock(state_->lock);
  return state_->pendingTasks.size();
}

}  // namespace async
