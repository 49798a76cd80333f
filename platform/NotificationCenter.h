#pragma once
// NotificationCenter: named notifications posted by one part of the program and observed by others.
//
// - Thread-safe: any thread may add observers, post and remove observers, also from inside an
//   observer's callback.
// - Delivery is synchronous, on the posting thread, outside the center's lock, to the observers
//   registered when the post began, in registration order.
// - addObserver returns an ObserverToken (move-only, RAII): destroying or reset()ing it removes the
//   observer. Once removal has returned, the callback is not running on another thread and never
//   starts again (a callback that removes its own observer finishes its current call). So a token
//   destroyed before what the callback uses is enough for safe teardown. Callbacks must be short,
//   must not throw and must not wait for a thread that is removing an observer.
// - A token may outlive its center; removal then does nothing.
// The app bridges the notifications it shows to queued Qt signals; no Qt here.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

// What a notification carries besides its name and sender: values of any copyable type under text
// keys, read with std::any_cast. For example the device manager's notifications carry
// "client" -> std::shared_ptr<ClientType> and "presets" -> a preset-name list. Observers must
// any_cast to exactly the type the poster stored (a mismatch throws std::bad_any_cast or, with
// the pointer form, gives nullptr).
using UserInfo = std::map<std::string, std::any>;

struct Notification {
  std::string name;
  // The sender, compared by address only; the center neither owns nor dereferences it.
  const void* object = nullptr;
  UserInfo userInfo;

  // The value stored under `key` as T, or nullptr when absent or of another type.
  template <class T>
  const T* value(const std::string& key) const {
    auto found = userInfo.find(key);
    return found == userInfo.end() ? nullptr : std::any_cast<T>(&found->second);
  }
};

namespace detail {
struct NotificationRegistry;
}

class ObserverToken {
 public:
  ObserverToken() = default;
  ObserverToken(ObserverToken&& other) noexcept;
  ObserverToken& operator=(ObserverToken&& other) noexcept;
  ObserverToken(const ObserverToken&) = delete;
  ObserverToken& operator=(const ObserverToken&) = delete;
  ~ObserverToken();

  // Removes the observer now (see the class comment); a no-op on an empty token.
  void reset();
  bool active() const { return id_ != 0; }

 private:
  friend class NotificationCenter;
  ObserverToken(std::weak_ptr<detail::NotificationRegistry> registry, std::uint64_t id)
      : registry_(std::move(registry)), id_(id) {}
  std::weak_ptr<detail::NotificationRegistry> registry_;
  std::uint64_t id_ = 0;
};

class NotificationCenter {
 public:
  using Callback = std::function<void(const Notification&)>;

  NotificationCenter();
  ~NotificationCenter();
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;

  // The process-wide center (created on first use, never destroyed).
  static NotificationCenter& defaultCenter();

  // Observes notifications called `name` (empty: every name) sent by `object` (null: every sender).
  [[nodiscard]] ObserverToken addObserver(std::string name, const void* object, Callback callback);

  void post(const Notification& notification) const;
  void post(std::string name, const void* object = nullptr, UserInfo userInfo = {}) const;

 private:
  std::shared_ptr<detail::NotificationRegistry> registry_;
};

}  // namespace platform
