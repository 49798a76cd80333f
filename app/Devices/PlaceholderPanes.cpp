#include "app/Devices/PlaceholderPanes.h"

#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace app {

PlaceholderPane::PlaceholderPane(const QString& objectName, const QString& text, QWidget* parent)
    : QWidget(parent) {
  setObjectName(objectName);
  auto* label = new QLabel(text, this);
  label->setObjectName("messageLabel");
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  // The look of a hint, as the style shows placeholder text.
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
  label->setPalette(palette);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
}

NoSelectionViewController::NoSelectionViewController(QWidget* parent)
    : PlaceholderPane("NoSelectionViewController", tr("No Device Selected"), parent) {}

UnsupportedDeviceTypeViewController::UnsupportedDeviceTypeViewController(QWidget* parent)
    : PlaceholderPane("UnsupportedDeviceTypeViewController",
                      tr("The settings of this device type cannot be edited here."), parent) {}

MismatchingDeviceTypeViewController::MismatchingDeviceTypeViewController(QWidget* parent)
    : PlaceholderPane("MismatchingDeviceTypeViewController",
                      tr("Devices of different types cannot be edited together."), parent) {}

}  // namespace app
