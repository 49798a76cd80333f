#include "app/PresetManager/SymbolIcon.h"

#include <QApplication>
#include <QStyle>

namespace app {

namespace {
struct Symbol {
  const char* name;
  const char* themeName;
  QStyle::StandardPixmap fallback;
};

constexpr Symbol symbols[] = {
    {"laptopcomputer", "computer-laptop", QStyle::SP_ComputerIcon},
    {"gamecontroller", "input-gaming", QStyle::SP_DriveNetIcon},
    {"music.note.tv", "audio-card", QStyle::SP_MediaVolume},
    {"questionmark.app", "dialog-question", QStyle::SP_MessageBoxQuestion},
};
}  // namespace

QIcon symbolIcon(const std::string& name) {
  for (const auto& symbol : symbols) {
    if (name != symbol.name) continue;
    auto icon = QIcon::fromTheme(QString::fromLatin1(symbol.name), QIcon::fromTheme(QString::fromLatin1(symbol.themeName)));
    if (icon.isNull() && qApp != nullptr) icon = QApplication::style()->standardIcon(symbol.fallback);
    return icon;
  }
  return {};
}

}  // namespace app
