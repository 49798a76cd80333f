#include "app/PresetManager/NotificationObserver.h"

#include <QMetaObject>
#include <QObject>

namespace app {

NotificationObserver::NotificationObserver(platform::NotificationCenter& center, std::string name, Handler handler)
    : context_(std::make_unique<QObject>()) {
  QObject* context = context_.get();
  auto shared = std::make_shared<Handler>(std::move(handler));
  token_ = center.addObserver(std::move(name), nullptr, [context, shared](const platform::Notification& note) {
    // The token's removal waits for this call, so `context` is alive here.
    QMetaObject::invokeMethod(context, [shared, note] { (*shared)(note); }, Qt::QueuedConnection);
  });
}

NotificationObserver::~NotificationObserver() { token_.reset(); }

}  // namespace app
