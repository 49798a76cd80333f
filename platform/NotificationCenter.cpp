#include "platform/NotificationCenter.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

namespace detail {

struct ObserverEntry {
  std::uint64_t id = 0;
  std::string name;
  const void* object = nullptr;
  NotificationCenter::Callback callback;

  std::mutex mutex;
  std::condition_variable idle;
  bool removed = false;  // guarded by mutex
  int running = 0;       // calls in progress, guarded by mutex

  bool matches(const Notification& notification) const {
    return (name.empty() || name == notification.name) &&
           (object == nullptr || object == notification.object);
  }
};

// The entries whose callbacks this thread is running, innermost last.
thread_local std::vector<const ObserverEntry*> delivering;

struct NotificationRegistry {
  std::mutex mutex;
  std::uint64_t nextId = 1;
  std::vector<std::shared_ptr<ObserverEntry>> entries;  // in registration order

  void remove(std::uint64_t id) {
    std::shared_ptr<ObserverEntry> entry;
    {
      std::lock_guard lock(mutex);
      auto found = std::find_if(entries.begin(), entries.end(),
                                [id](const auto& candidate) { return candidate->id == id; });
      if (found == entries.end()) return;
      entry = std::move(*found);
      entries.erase(found);
    }
    // Calls already started on other threads finish first; our own call (removal from inside the
    // callback) cannot, so it is not waited for.
    const auto own = std::count(delivering.begin(), delivering.end(), entry.get());
    NotificationCenter::Callback callback;
    {
      std::unique_lock lock(entry->mutex);
      entry->removed = true;
      entry->idle.wait(lock, [&] { return entry->running <= own; });
      if (own == 0) callback = std::move(entry->callback);
    }
    // `callback` (and what it holds) is destroyed here, outside every lock; a callback still
    // running on this thread is destroyed with the last reference to its entry instead.
  }
};

}  // namespace detail

using detail::ObserverEntry;

ObserverToken::ObserverToken(ObserverToken&& other) noexcept
    : registry_(std::move(other.registry_)), id_(std::exchange(other.id_, 0)) {}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
  if (this != &other) {
    reset();
    registry_ = std::move(other.registry_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

ObserverToken::~ObserverToken() { reset(); }

void ObserverToken::reset() {
  const auto id = std::exchange(id_, 0);
  if (id == 0) return;
  if (auto registry = registry_.lock()) registry->remove(id);
  registry_.reset();
}

NotificationCenter::NotificationCenter()
    : registry_(std::make_shared<detail::NotificationRegistry>()) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter() {
  // Leaked on purpose: observers may be removed while static objects are destroyed at exit.
  static auto* const center = new NotificationCenter();
  return *center;
}

ObserverToken NotificationCenter::addObserver(std::string name, const void* object,
                                              Callback callback) {
  auto entry = std::make_shared<ObserverEntry>();
  entry->name = std::move(name);
  entry->object = object;
  entry->callback = std::move(callback);
  std::lock_guard lock(registry_->mutex);
  entry->id = registry_->nextId++;
  registry_->entries.push_back(entry);
  return ObserverToken(registry_, entry->id);
}

void NotificationCenter::post(const Notification& notification) const {
  std::vector<std::shared_ptr<ObserverEntry>> targets;
  {
    std::lock_guard lock(registry_->mutex);
    for (const auto& entry : registry_->entries)
      if (entry->matches(notification)) targets.push_back(entry);
  }
  for (const auto& entry : targets) {
    {
      std::lock_guard lock(entry->mutex);
      if (entry->removed) continue;
      ++entry->running;
    }
    struct Finish {
      ObserverEntry& entry;
      ~Finish() {
        detail::delivering.pop_back();
        std::lock_guard lock(entry.mutex);
        --entry.running;
        entry.idle.notify_all();
      }
    };
    detail::delivering.push_back(entry.get());
    Finish finish{*entry};
    entry->callback(notification);
  }
}

void NotificationCenter::post(std::string name, const void* object, UserInfo userInfo) const {
  post(Notification{std::move(name), object, std::move(userInfo)});
}

}  // namespace platform
