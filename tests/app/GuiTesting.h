#pragma once
// Helpers of the window tests.

#include <cstdlib>

#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QWidget>

namespace app::testing {

// Saves a picture of `widget` into $VELTO_SCREENSHOT_DIR, when set, for a look by eye.
inline void saveScreenshot(QWidget& widget, const QString& name) {
  const char* folder = std::getenv("VELTO_SCREENSHOT_DIR");
  if (folder == nullptr) return;
  widget.grab().save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
}

// The rows of a test that closes a sheet once by Esc and once by its button "cancelButton".
inline void addCancelRows() {
  QTest::addColumn<bool>("useEscape");
  QTest::newRow("Esc") << true;
  QTest::newRow("Cancel button") << false;
}

inline void pressCancel(QDialog& sheet, bool useEscape) {
  if (useEscape)
    QTest::keyClick(&sheet, Qt::Key_Escape);
  else
    QTest::mouseClick(sheet.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
}

}  // namespace app::testing
