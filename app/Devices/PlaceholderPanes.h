#pragma once
// The inspector panes of the devices window that only say why nothing can be edited: no device
// selected, a device type whose settings are not edited here, or devices of different types.
// A new pane is made each time the window switches to one.

#include <QWidget>

namespace app {

class PlaceholderPane : public QWidget {
 public:
  PlaceholderPane(const QString& objectName, const QString& text, QWidget* parent);
};

class NoSelectionViewController : public PlaceholderPane {
 public:
  explicit NoSelectionViewController(QWidget* parent = nullptr);
};

class UnsupportedDeviceTypeViewController : public PlaceholderPane {
 public:
  explicit UnsupportedDeviceTypeViewController(QWidget* parent = nullptr);
};

class MismatchingDeviceTypeViewController : public PlaceholderPane {
 public:
  explicit MismatchingDeviceTypeViewController(QWidget* parent = nullptr);
};

}  // namespace app
