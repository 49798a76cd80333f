#pragma once
// The device selector: a window-modal sheet with a line of text, one check box row per device and
// the buttons Select (the default button) and Cancel. Select hands the ticked rows, in order and
// possibly none, to selectHandler and leaves the sheet open (the handler closes it with close());
// Cancel and Esc close it without calling the handler. Child names: descriptionTextField,
// tableView (its check boxes are named "checkbox"), selectButton, cancelButton.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "app/Devices/DeviceSelection.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace app {

class DeviceSelectorViewController : public QDialog {
  Q_OBJECT

 public:
  explicit DeviceSelectorViewController(QWidget* parent = nullptr);

  // One row per title (see deviceTitle), all ticked. Call before presenting.
  void setRows(std::vector<std::string> titles);
  void setDescriptionText(const std::string& text);
  std::function<void(std::vector<std::size_t>)> selectHandler;

  const DeviceSelection& selection() const { return selection_; }

  // Opens the sheet window-modal over `window`.
  void present(QWidget* window);

 private:
  void checkboxToggled(std::size_t row, bool ticked);
  void selectPressed();

  DeviceSelection selection_;
  QLabel* descriptionTextField_;
  QTableWidget* tableView_;
  QPushButton* selectButton_;
  QPushButton* cancelButton_;
  std::vector<QCheckBox*> checkboxes_;
};

}  // namespace app
