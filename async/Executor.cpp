#include "async/Executor.h"

#include <algorithm>
#include <thread>

namespace async {

asio::thread_pool& pool() {
  // Leaked on purpose: tasks may still be finishing while static objects are destroyed at exit.
  static auto* const instance =
      new asio::thread_pool(std::max<std::size_t>(4, std::thread::hardware_concurrency()));
  return *instance;
}

}  // namespace async
