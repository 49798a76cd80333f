#include "async/Executor.h"

namespace async {

asio::thread_pool& pool() {
  // Leaked on purpose: tasks may still be finishing while static objects are destroyed at exit.
  // Two threads: the pool runs only short handlers, mostly one at a time, and every hand-over to
  // a pool with idle threads wakes one of them; measured with 200 idle devices, eight threads
  // cost a third more CPU and half again as many context switches, one thread little less than two.
  static auto* const instance = new asio::thread_pool(2);
  return *instance;
}

}  // namespace async
