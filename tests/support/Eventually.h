#pragma once
// Polling for a condition that another thread brings about.

#include <chrono>
#include <thread>

namespace testsupport {

// Polls `condition` every 5 ms for up to `limit`; gives whether it came true.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

}  // namespace testsupport
