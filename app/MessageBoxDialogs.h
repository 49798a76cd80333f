#pragma once
// The real dialogs: QMessageBox for alerts, QFileDialog for the folder chooser (its last folder
// kept with QSettings).

#include "app/Dialogs.h"

namespace app {

class MessageBoxDialogs : public Dialogs {
 public:
  int runModal(QWidget* window, const Alert& alert) override;
  void beginSheet(QWidget* window, const Alert& alert, std::function<void(int)> completion) override;
  std::optional<std::filesystem::path> chooseFolder(QWidget* parent,
                                                    const FolderChooser& chooser) override;
};

}  // namespace app
