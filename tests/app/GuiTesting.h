#pragma once
// Helpers of the window tests.

#include <cstdlib>

#include <QString>
#include <QWidget>

namespace app::testing {

// Saves a picture of `widget` into $VELTO_SCREENSHOT_DIR, when set, for a look by eye.
inline void saveScreenshot(QWidget& widget, const QString& name) {
  const char* folder = std::getenv("VELTO_SCREENSHOT_DIR");
  if (folder == nullptr) return;
  widget.grab().save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
}

}  // namespace app::testing
