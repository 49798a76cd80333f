#pragma once
// The network-settings sheet of one device: 410 x 248, window-modal, Apply the default button, Esc
// and Cancel close it without sending. Apply validates (an "Error" alert per failing check, the
// sheet staying open), closes when nothing changes, and otherwise hands the change to `send`;
// the sheet closes when `send` reports success and shows the error alert when it reports a
// failure. Pressing Apply again while a change is under way sends again. Child names:
// titleLabel, modePopUpButton, ipTextField, subnetTextField, gatewayTextField, applyButton,
// cancelButton.

#include <exception>
#include <functional>
#include <string>

#include <QDialog>

#include "app/Devices/NetworkSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class NetworkSettingsViewController : public QDialog {
  Q_OBJECT

 public:
  // Sends `change` to the device and calls `done` on the GUI thread with nothing on success or the
  // error of the command; the sheet may be gone by then.
  using Send =
      std::function<void(const NetworkChange& change, std::function<void(std::exception_ptr)> done)>;

  explicit NetworkSettingsViewController(QWidget* parent = nullptr);

  // Fills the sheet: title (see networkSettingsTitle), the mode from `current`, the three fields
  // with the stored values also in automatic mode.
  void setDevice(const std::string& title, const NetworkAddressing& current);
  Send send;

  // Opens the sheet window-modal over `window`.
  void present(QWidget* window);

 private:
  void updateFieldsEnabled();
  void applyPressed();

  NetworkAddressing current_;
  QLabel* titleLabel_;
  QComboBox* modePopUpButton_;
  QLineEdit* ipTextField_;
  QLineEdit* subnetTextField_;
  QLineEdit* gatewayTextField_;
  QPushButton* applyButton_;
  QPushButton* cancelButton_;
};

}  // namespace app
