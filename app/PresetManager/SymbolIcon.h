#pragma once
// Icons by the symbol names the windows use ("laptopcomputer", "gamecontroller", "music.note.tv",
// "questionmark.app"): the icon theme's icon of that name, else of a freedesktop name of the same
// meaning, else one of the style's own icons, so a row always shows a picture. An unknown symbol
// name gives an empty icon. GUI thread only.

#include <string>

#include <QIcon>

namespace app {

QIcon symbolIcon(const std::string& name);

}  // namespace app
