#include "app/NotificationBridge.h"

namespace app {

NotificationBridge::NotificationBridge(platform::NotificationCenter& center,
                                       const std::vector<std::string>& names, QObject* parent)
    : QObject(parent) {
  for (const auto& name : names) {
    tokens_.push_back(center.addObserver(name, nullptr, [this](const platform::Notification& notification) {
      QMetaObject::invokeMethod(
          this, [this, notification] { Q_EMIT notified(notification); }, Qt::QueuedConnection);
    }));
  }
}

NotificationBridge::~NotificationBridge() {
  // Before QObject's destructor drops the queued events: no callback may post to a dying object.
  for (auto& token : tokens_) token.reset();
}

}  // namespace app
