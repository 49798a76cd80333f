#include "osc/DatagramReader.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/ThreadLabel.h"

namespace osc {

DatagramReader& DatagramReader::shared() {
  // Never destroyed: a server may still stop while other statics are torn down at exit.
  static DatagramReader* const reader = new DatagramReader();
  return *reader;
}

DatagramReader::DatagramReader() : epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
  if (epoll_ < 0) throw std::system_error(errno, std::system_category(), "epoll_create1");
  std::thread thread([this] { run(); });
  thread_ = thread.get_id();
  thread.detach();
}

std::uint64_t DatagramReader::add(int descriptor, Ready ready) {
  std::lock_guard lock(mutex_);
  const std::uint64_t key = nextKey_++;
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u64 = key;
  if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, descriptor, &event) < 0) {
    throw std::system_error(errno, std::system_category(), "epoll_ctl");
  }
  registrations_.emplace(key, std::make_shared<const Ready>(std::move(ready)));
  return key;
}

void DatagramReader::remove(std::uint64_t key, int descriptor) {
  std::shared_ptr<const Ready> removed;  // released after the lock
  std::unique_lock lock(mutex_);
  if (const auto found = registrations_.find(key); found != registrations_.end()) {
    removed = std::move(found->second);
    registrations_.erase(found);
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, descriptor, nullptr);
  }
  if (std::this_thread::get_id() != thread_) delivered_.wait(lock, [&] { return delivering_ != key; });
}

void DatagramReader::run() {
  platform::setThreadLabel("OSCServer Reader");
  epoll_event events[64];
  for (;;) {
    const int count = ::epoll_wait(epoll_, events, 64, -1);
    for (int k = 0; k < count; ++k) {
      std::shared_ptr<const Ready> ready;
      {
        std::lock_guard lock(mutex_);
        // Removed since the wait returned: not called again.
        const auto found = registrations_.find(events[k].data.u64);
        if (found == registrations_.end()) continue;
        ready = found->second;
        delivering_ = found->first;
      }
      (*ready)();
      {
        std::lock_guard lock(mutex_);
        delivering_ = 0;
      }
      delivered_.notify_all();
    }
  }
}

}  // namespace osc
