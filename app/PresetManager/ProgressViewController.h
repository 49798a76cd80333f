#pragma once
// The progress sheet's window: a window-modal dialog over a ProgressSheet. Its child widgets carry
// the names titelLabel, subtitleLabel, progressIndicator, statusLabel and cancelButton. The
// Cancel button, Esc and the window's close button all cancel; closes by the owner or by the
// count run no handler from here (QDialog::finished is not used for the rules).

#include <QDialog>

#include "app/PresetManager/ProgressSheet.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace app {

class ProgressViewController : public QDialog, private ProgressSheet::View {
  Q_OBJECT

 public:
  explicit ProgressViewController(QWidget* parent = nullptr);
  ~ProgressViewController() override;

  ProgressSheet& sheet() { return sheet_; }

  // Presents the sheet over `window` (opened window-modal), or refills it when already shown.
  void present(QWidget* window);

  void reject() override;

 private:
  void sheetChanged() override;
  void sheetClosed() override;

  ProgressSheet sheet_;
  QLabel* titelLabel_;
  QLabel* subtitleLabel_;
  QProgressBar* progressIndicator_;
  QLabel* statusLabel_;
  QPushButton* cancelButton_;
};

}  // namespace app
