#pragma once
// NotificationBridge: hands notifications of a platform::NotificationCenter to the GUI thread as a
// Qt signal. The center calls observers on the posting thread; the bridge queues each notification
// on its own event queue (also when posted on the GUI thread, so handling is always later) and
// emits `notified` from there, in the order posted. Queued notifications die with the bridge.
//
// Lives on the GUI thread. Destruction removes the observers first: once it has begun no callback
// runs, so a bridge owned by a widget may go with it at any time.

#include <string>
#include <vector>

#include <QObject>

#include "platform/NotificationCenter.h"

namespace app {

class NotificationBridge : public QObject {
  Q_OBJECT

 public:
  // Observes `names` (from any sender) on `center`.
  NotificationBridge(platform::NotificationCenter& center, const std::vector<std::string>& names,
                     QObject* parent = nullptr);
  ~NotificationBridge() override;

 Q_SIGNALS:
  // On the GUI thread.
  void notified(const platform::Notification& notification);

 private:
  std::vector<platform::ObserverToken> tokens_;
};

}  // namespace app
