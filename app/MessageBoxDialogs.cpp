#include "app/MessageBoxDialogs.h"

#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace app {

namespace {

// Where the folder chooser remembers the folder chosen last.
constexpr const char* kLastFolderKey = "Dialogs/lastChosenFolder";

// The window an alert belongs to: the given widget's window, else the active one.
QWidget* ownerOf(QWidget* widget) { return widget != nullptr ? widget->window() : QApplication::activeWindow(); }

QMessageBox::Icon iconFor(AlertStyle style) {
  switch (style) {
    case AlertStyle::informational:
      return QMessageBox::Information;
    case AlertStyle::critical:
      return QMessageBox::Critical;
    case AlertStyle::warning:
      break;
  }
  return QMessageBox::Warning;
}

// Fills `box` and returns its buttons in the alert's order.
std::vector<QAbstractButton*> fill(QMessageBox& box, const Alert& alert) {
  box.setWindowTitle(QApplication::applicationDisplayName());
  box.setIcon(iconFor(alert.style));
  box.setText(QString::fromStdString(alert.messageText));
  box.setInformativeText(QString::fromStdString(alert.informativeText));
  std::vector<QAbstractButton*> buttons;
  if (alert.buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
  QAbstractButton* escape = nullptr;
  for (std::size_t i = 0; i < alert.buttons.size(); ++i) {
    const auto& title = alert.buttons[i];
    const bool declines = title == "No" || title == "Cancel";
    auto role = i == 0 ? QMessageBox::AcceptRole : declines ? QMessageBox::RejectRole : QMessageBox::ActionRole;
    auto* button = box.addButton(QString::fromStdString(title), role);
    if (declines && escape == nullptr) escape = button;
    buttons.push_back(button);
  }
  box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
  // Esc declines: "No" or "Cancel" when offered, else the second button, else the only one.
  if (escape == nullptr) escape = buttons.size() > 1 ? buttons[1] : buttons.front();
  box.setEscapeButton(escape);
  return buttons;
}

int answerOf(const QMessageBox& box, const std::vector<QAbstractButton*>& buttons) {
  auto* clicked = box.clickedButton();
  if (clicked == nullptr) clicked = box.escapeButton();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == clicked) return alertFirstButtonReturn + static_cast<int>(i);
  return alertFirstButtonReturn;
}

}  // namespace

int MessageBoxDialogs::runModal(QWidget* window, const Alert& alert) {
  // With a parent the box opens centred on it and stays above it; exec() keeps it application-modal.
  QMessageBox box(ownerOf(window));
  box.setWindowModality(Qt::ApplicationModal);
  auto buttons = fill(box, alert);
  box.exec();
  return answerOf(box, buttons);
}

void MessageBoxDialogs::beginSheet(QWidget* window, const Alert& alert,
                                   std::function<void(int)> completion) {
  auto* box = new QMessageBox(ownerOf(window));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  auto buttons = fill(*box, alert);
  QObject::connect(box, &QDialog::finished, box,
                   [box, buttons, completion = std::move(completion)] {
                     if (completion) completion(answerOf(*box, buttons));
                   });
  box->open();
}

std::optional<std::filesystem::path> MessageBoxDialogs::chooseFolder(QWidget* parent,
                                                                    const FolderChooser& chooser) {
  QFileDialog dialog(ownerOf(parent), QString::fromStdString(chooser.title));
  dialog.setFileMode(QFileDialog::Directory);
  QSettings settings;
  const QString last = settings.value(kLastFolderKey).toString();
  dialog.setDirectory(!last.isEmpty() && QDir(last).exists() ? last : QDir::homePath());
  // Qt's own dialog, so that the message can be shown above the folder list.
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    auto* message = new QLabel(QString::fromStdString(chooser.message), &dialog);
    message->setObjectName("message");
    message->setWordWrap(true);
    grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().front();
  settings.setValue(kLastFolderKey, chosen);
  return std::filesystem::path(chosen.toStdString());
}

}  // namespace app
