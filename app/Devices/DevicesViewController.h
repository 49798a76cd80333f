#pragma once
// The devices list, first pane of the devices window: a table (child "tableView", column
// identifiers under Qt::UserRole of its header) of the manager's online clients in list order
// (DevicesList), kept up to date from the manager's added and removed notifications, with the
// actions "rotvDimDisplay" and "rotvUndimDisplay" (also its context menu) for the selected
// controllers. Every selection change goes to selectionHandler (the window's inspector).
//
// The observers are registered before the manager's list is read, so no client is missed; one
// announced again is not listed twice. Dim tasks run on the GUI thread, one controller after the
// other, and stop at the first failure with one error alert; they touch no widget.

#include <functional>
#include <vector>

#include <QWidget>

#include "app/Devices/ClientKind.h"

class QAction;
class QTableView;

namespace platform {
class NotificationCenter;
struct Notification;
}  // namespace platform

namespace app {

class DeviceManager;
class DevicesTableModel;
class NotificationBridge;

class DevicesViewController : public QWidget {
  Q_OBJECT

 public:
  // Observes the manager's notifications on `center` (where the manager posts them).
  DevicesViewController(DeviceManager& manager, platform::NotificationCenter& center,
                        QWidget* parent = nullptr);

  QTableView* tableView() const { return tableView_; }
  const std::vector<ClientPtr>& clients() const;
  // The selected clients in list order, and those of them that are controllers.
  std::vector<ClientPtr> selectedClients() const;
  std::vector<ClientPtr> selectedControllers() const;

  QAction* dimAction() const { return dimAction_; }
  QAction* undimAction() const { return undimAction_; }

  // Sends the display-dim setting to the selected controllers.
  void setDisplayDim(bool dim);

  // Called with the selected clients on every selection change.
  std::function<void(const std::vector<ClientPtr>&)> selectionHandler;

 private:
  void received(const platform::Notification& notification);
  void selectionChanged();

  DevicesTableModel* model_;
  QTableView* tableView_;
  QAction* dimAction_;
  QAction* undimAction_;
  NotificationBridge* bridge_;
};

}  // namespace app
