#pragma once
// DatagramReader: the one thread of the process that waits on the sockets of every running OSC
// server (epoll, level-triggered) and calls the callback of each socket that became readable.
// Made on first use and kept for the life of the process; the thread sleeps while nothing arrives.
//
// A callback runs on the reader's thread and reads what it wants (a non-blocking socket drains
// until it would block; what it leaves makes the socket ready again). remove() returns only once
// the callback of that registration is not running and never will again, so the caller may then
// close the descriptor; on the reader's own thread (from inside a callback) it returns at once and
// the callback in progress is the last one.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace osc {

class DatagramReader {
 public:
  using Ready = std::function<void()>;

  static DatagramReader& shared();

  // Watches `descriptor` for reading. Throws std::system_error when the system refuses.
  std::uint64_t add(int descriptor, Ready ready);
  void remove(std::uint64_t key, int descriptor);

 private:
  DatagramReader();
  void run();

  const int epoll_;
  std::mutex mutex_;
  std::condition_variable delivered_;
  std::unordered_map<std::uint64_t, std::shared_ptr<const Ready>> registrations_;
  std::uint64_t nextKey_ = 1;
  std::uint64_t delivering_ = 0;  // the key whose callback runs now; 0: none
  std::thread::id thread_;
};

}  // namespace osc
