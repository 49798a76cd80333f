#include "platform/Progress.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

struct Progress::Observation::Entry {
  Observer observer;
  std::atomic<bool> active{true};
};

struct Progress::Observation::Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<Entry>> entries;
};

Progress::Observation::Observation(std::weak_ptr<Registry> registry, std::shared_ptr<Entry> entry)
    : registry_(std::move(registry)), entry_(std::move(entry)) {}

Progress::Observation::Observation(Observation&& other) noexcept
    : registry_(std::move(other.registry_)), entry_(std::move(other.entry_)) {}

Progress::Observation& Progress::Observation::operator=(Observation&& other) noexcept {
  if (this != &other) {
    end();
    registry_ = std::move(other.registry_);
    entry_ = std::move(other.entry_);
  }
  return *this;
}

void Progress::Observation::end() {
  if (!entry_) return;
  entry_->active = false;
  if (const auto registry = registry_.lock()) {
    std::shared_ptr<Entry> removed;  // released after the lock, with whatever the observer holds
    {
      std::lock_guard lock(registry->mutex);
      auto& entries = registry->entries;
      const auto found = std::find(entries.begin(), entries.end(), entry_);
      if (found != entries.end()) {
        removed = std::move(*found);
        entries.erase(found);
      }
    }
  }
  entry_.reset();
  registry_.reset();
}

Progress::Progress(std::int64_t totalUnitCount)
    : total_(totalUnitCount), registry_(std::make_shared<Observation::Registry>()) {}

void Progress::setTotalUnitCount(std::int64_t value) {
  total_.store(value);
  notify(Key::totalUnitCount, value);
}

void Progress::setCompletedUnitCount(std::int64_t value) {
  completed_.store(value);
  notify(Key::completedUnitCount, value);
}

void Progress::addCompletedUnits(std::int64_t units) {
  notify(Key::completedUnitCount, completed_.fetch_add(units) + units);
}

double Progress::fractionCompleted() const {
  const std::int64_t total = totalUnitCount();
  return total > 0 ? static_cast<double>(completedUnitCount()) / static_cast<double>(total) : 0.0;
}

Progress::Observation Progress::observe(Observer observer) {
  auto entry = std::make_shared<Observation::Entry>();
  entry->observer = std::move(observer);
  {
    std::lock_guard lock(registry_->mutex);
    registry_->entries.push_back(entry);
  }
  return Observation(registry_, std::move(entry));
}

void Progress::notify(Key key, std::int64_t value) {
  std::vector<std::shared_ptr<Observation::Entry>> entries;
  {
    std::lock_guard lock(registry_->mutex);
    entries = registry_->entries;
  }
  for (const auto& entry : entries) {
    if (entry->active.load()) entry->observer(key, value);
  }
}

}  // namespace platform
