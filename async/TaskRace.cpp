#include "async/TaskRace.h"

#include <mutex>
#include <optional>
#include <utility>

#include <boost/asio/async_result.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/Cancellation.h"

namespace async {

namespace {

using Resume = asio::any_completion_handler<void(std::size_t)>;

// The first task to finish claims the race and resumes the awaiting task.
struct Race {
  explicit Race(Resume r) { resume.emplace(std::move(r)); }
  std::mutex mutex;
  std::optional<Resume> resume;  // taken by the winner

  void claim(std::size_t index) {
    std::optional<Resume> winner;
    {
      std::lock_guard lock(mutex);
      if (!resume) return;
      winner.emplace(std::move(*resume));  // move-construct only (see StreamStorage.h)
      resume.reset();
    }
    std::move (*winner)(index);
  }
};

void cancelAll(const std::vector<std::shared_ptr<detail::TaskCore>>& tasks) {
  for (const auto& task : tasks) task->cancel();
}

}  // namespace

asio::awaitable<std::size_t> race(std::vector<std::shared_ptr<detail::TaskCore>> tasks) {
  const bool cancelled = co_await isCancelled();
  if (cancelled) cancelAll(tasks);
  // Runs on the awaiting task's strand, where its cancellation slot is used.
  auto initiation = [&tasks](auto handler) {
    auto slot = asio::get_associated_cancellation_slot(handler);
    auto race = std::make_shared<Race>(detail::postingTo<std::size_t>(std::move(handler)));
    if (slot.is_connected())
      slot.assign([tasks](asio::cancellation_type) { cancelAll(tasks); });
    for (std::size_t index = 0; index < tasks.size(); ++index)
      tasks[index]->onFinish([race, index] { race->claim(index); });
  };
  co_return co_await asio::async_initiate<const asio::use_awaitable_t<>&, void(std::size_t)>(
      initiation, asio::use_awaitable);
}

}  // namespace async
