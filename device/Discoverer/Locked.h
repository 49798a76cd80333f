#pragma once
// Reading and replacing a field that a mutex guards, for accessors that any thread may call.

#include <mutex>
#include <utility>

namespace device {

template <class T>
T copyLocked(std::mutex& mutex, const T& field) {
  std::lock_guard lock(mutex);
  return field;
}

template <class T>
void assignLocked(std::mutex& mutex, T& field, T value) {
  std::lock_guard lock(mutex);
  field = std::move(value);
}

}  // namespace device
