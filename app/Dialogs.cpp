#include "app/Dialogs.h"

#include "app/MessageBoxDialogs.h"

namespace app {

namespace {
Dialogs* installed = nullptr;
}

Dialogs& dialogs() {
  static MessageBoxDialogs real;
  return installed != nullptr ? *installed : real;
}

void setDialogs(Dialogs* replacement) { installed = replacement; }

void showErrorMessage(const std::string& informativeText) {
  dialogs().runModal(Alert{"Error", informativeText, AlertStyle::warning, {}});
}

void showErrorAlert(const std::exception& error) { showErrorMessage(error.what()); }

void showErrorAlert(const std::exception_ptr& error) {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    showErrorAlert(e);
  } catch (...) {
    showErrorMessage("Unknown error");
  }
}

bool askYesNo(const std::string& messageText, const std::string& informativeText) {
  Alert alert{messageText, informativeText, AlertStyle::informational, {"Yes", "No"}};
  return dialogs().runModal(alert) == alertFirstButtonReturn;
}

}  // namespace app
