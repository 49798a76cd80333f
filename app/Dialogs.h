#pragma once
// Alerts, questions and choosers of the windows, behind one interface so that tests answer them.
//
// Window code calls the free functions below (or dialogs() directly); the program uses the
// QMessageBox/QFileDialog implementation, tests install a scripted one with setDialogs(). GUI
// thread only. The modal calls run a nested event loop and return when the user has answered.
// Every alert names the widget it belongs to: it opens centred on that widget's window (the
// devices window, the preset manager window or a sheet over one) and stays above it; nullptr
// means the active window.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <exception>

class QWidget;

namespace app {

enum class AlertStyle { warning, informational, critical };

// The answer of an alert: the first button gives 1000, the second 1001, the third 1002. An alert
// without buttons shows one default "OK" button, answered with 1000.
inline constexpr int alertFirstButtonReturn = 1000;
inline constexpr int alertSecondButtonReturn = 1001;
inline constexpr int alertThirdButtonReturn = 1002;

struct Alert {
  std::string messageText;
  std::string informativeText;
  AlertStyle style = AlertStyle::warning;
  std::vector<std::string> buttons;  // in order; empty: the one default button
};

struct FolderChooser {
  std::string title;
  std::string message;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // An application-modal alert over `window`; returns its answer.
  virtual int runModal(QWidget* window, const Alert& alert) = 0;
  // A window-modal alert over `window`; returns at once, `completion` gets the answer later (not
  // when the window goes away first).
  virtual void beginSheet(QWidget* window, const Alert& alert, std::function<void(int)> completion) = 0;
  // A modal folder chooser that can create folders; the chosen folder, or nothing when cancelled.
  // It opens at the folder chosen last time, else at the home folder.
  virtual std::optional<std::filesystem::path> chooseFolder(QWidget* parent,
                                                            const FolderChooser& chooser) = 0;
};

// The dialogs in use: the installed ones, else the real ones.
Dialogs& dialogs();
// Installs `replacement` (not owned; nullptr restores the real dialogs).
void setDialogs(Dialogs* replacement);

// The shared error alert over `window`: message "Error", warning style, `informativeText`, one
// default button.
void showErrorMessage(QWidget* window, const std::string& informativeText);
// An error's description: the sentence of our error types (what()), a file error's sentence, else
// a sentence saying that the reason is unknown.
std::string errorDescription(const std::exception_ptr& error);

// The shared error alert with the error's description as informative text.
void showErrorAlert(QWidget* window, const std::exception_ptr& error);

// An informational question over `window` with the buttons "Yes" then "No"; true for "Yes".
bool askYesNo(QWidget* window, const std::string& messageText, const std::string& informativeText);

}  // namespace app
