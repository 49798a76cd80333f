#pragma once
// Moves notifications of a platform::NotificationCenter onto the GUI thread: the handler runs later
// from the event loop, once per notification, in posting order. Destroying the observer removes it
// from the center (waiting for a delivery in progress on another thread) and drops deliveries not
// yet run, so the handler never runs after the observer is gone. Made and destroyed on the GUI
// thread.

#include <functional>
#include <memory>
#include <string>

#include "platform/NotificationCenter.h"

class QObject;

namespace app {

class NotificationObserver {
 public:
  using Handler = std::function<void(const platform::Notification&)>;

  // Observes `name` from every sender.
  NotificationObserver(platform::NotificationCenter& center, std::string name, Handler handler);
  ~NotificationObserver();
  NotificationObserver(const NotificationObserver&) = delete;
  NotificationObserver& operator=(const NotificationObserver&) = delete;

 private:
  std::unique_ptr<QObject> context_;  // queued deliveries die with it
  platform::ObserverToken token_;     // removed first
};

}  // namespace app
