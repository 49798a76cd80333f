#include "log/Tallylog.h"

#include "log/BaseDestination.h"
#include "log/Utf8Text.h"
#include "platform/ThreadLabel.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

#include <sys/types.h>
#include <unistd.h>

namespace tallylog {

namespace {

using DestinationList = std::vector<std::shared_ptr<BaseDestination>>;

// The set of destinations, replaced as a whole on every change so that a log call reads it with
// one shared lock and one reference count.
class Registry {
 public:
  std::shared_ptr<const DestinationList> snapshot() const {
    std::shared_lock lock(mutex_);
    return list_;
  }

  // The replaced list is let go after the lock is released: dropping it may destroy destinations,
  // whose queues join their threads.
  template <typename Change>
  auto change(Change change) {
    std::shared_ptr<const DestinationList> previous;
    std::unique_lock lock(mutex_);
    auto next = std::make_shared<DestinationList>(*list_);
    const auto result = change(*next);
    previous = std::exchange(list_, std::move(next));
    lock.unlock();
    return result;
  }

 private:
  mutable std::shared_mutex mutex_;
  std::shared_ptr<const DestinationList> list_ = std::make_shared<DestinationList>();
};

// Created on first use and kept until the process ends: threads may log during exit.
Registry& registry() {
  static Registry* const instance = new Registry;
  return *instance;
}

// Counts the destinations whose queues have yet to reach a flush.
class Group {
 public:
  void enter() {
    std::lock_guard lock(mutex_);
    ++count_;
  }
  void leave() {
    {
      std::lock_guard lock(mutex_);
      --count_;
    }
    emptied_.notify_all();
  }
  bool waitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return emptied_.wait_until(lock, deadline, [&] { return count_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable emptied_;
  std::int64_t count_ = 0;
};

bool onMainThread() {
  static thread_local const bool isMain = gettid() == getpid();
  return isMain;
}

}  // namespace

std::optional<Tallylog::Level> Tallylog::levelFromRawValue(std::int64_t rawValue) {
  if (rawValue < 0 || rawValue > 6) return std::nullopt;
  return static_cast<Level>(rawValue);
}

bool Tallylog::addDestination(std::shared_ptr<BaseDestination> destination) {
  return registry().change([&](DestinationList& list) {
    if (std::find(list.begin(), list.end(), destination) != list.end()) return false;
    list.push_back(std::move(destination));
    return true;
  });
}

bool Tallylog::removeDestination(const std::shared_ptr<BaseDestination>& destination) {
  return registry().change([&](DestinationList& list) {
    const auto found = std::find(list.begin(), list.end(), destination);
    if (found == list.end()) return false;
    list.erase(found);
    return true;
  });
}

void Tallylog::removeAllDestinations() {
  registry().change([](DestinationList& list) {
    list.clear();
    return true;
  });
}

std::int64_t Tallylog::countDestinations() {
  return static_cast<std::int64_t>(registry().snapshot()->size());
}

void Tallylog::write(Level level, DeferredMessage message, std::string_view file,
                     std::string_view function, std::int64_t line, Context context) {
  distribute(level, message, threadName(), file, function, line, std::move(context));
}

std::string_view Tallylog::threadName() {
  if (onMainThread()) return {};
  const std::string& label = platform::threadLabel();
  if (isValidUtf8(label)) return label;
  static thread_local const std::string description = "<Thread: " + std::to_string(gettid()) + ">";
  return description;
}

void Tallylog::distribute(Level level, DeferredMessage message, std::string_view thread,
                          std::string_view file, std::string_view function, std::int64_t line,
                          Context context) {
  const auto destinations = registry().snapshot();
  std::optional<std::string> resolved;
  // `thread` may view the caller's label, which a synchronous hand-off replaces for its duration.
  std::optional<std::string> threadText;
  for (const auto& destination : *destinations) {
    if (!resolved && destination->hasMessageFilter()) resolved = message();
    const auto filteredMessage =
        resolved ? std::optional<std::string_view>(*resolved) : std::nullopt;
    if (!destination->passesLevelAndFilters(level, file, function, filteredMessage)) continue;
    std::string text = resolved ? *resolved : message();
    std::string shortened = shortenedFunctionName(function);
    if (!threadText) threadText.emplace(thread);
    if (destination->asynchronously()) {
      destination->queue().async(
          [destination, level, text = std::move(text), thread = *threadText,
           file = std::string(file), shortened = std::move(shortened), line,
           context] { destination->send(level, text, thread, file, shortened, line, context); });
    } else {
      destination->queue().sync([&] {
        try {
          destination->send(level, text, *threadText, file, shortened, line, context);
        } catch (...) {
          // Logging raises nothing to its callers; a destination that fails loses the line.
        }
      });
    }
  }
}

bool Tallylog::flush(std::int64_t timeoutSeconds) {
  const auto destinations = registry().snapshot();
  const auto group = std::make_shared<Group>();
  for (const auto& destination : *destinations) {
    group->enter();
    if (destination->asynchronously()) {
      destination->queue().async([group] { group->leave(); });
    } else {
      destination->queue().sync([&] { group->leave(); });
    }
  }
  // Far deadlines are capped at a year so that the time arithmetic cannot overflow.
  constexpr std::int64_t aYear = 365LL * 24 * 3600;
  return group->waitUntil(
      std::chrono::steady_clock::now() +
      std::chrono::seconds(std::clamp<std::int64_t>(timeoutSeconds, -aYear, aYear)));
}

std::string Tallylog::shortenedFunctionName(std::string_view function) {
  return std::string(function.substr(0, function.find('('))) + "()";
}

}  // namespace tallylog
