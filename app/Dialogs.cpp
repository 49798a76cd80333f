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

std::string describeError(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

void showErrorAlert(const std::exception_ptr& error) {
  if (error) showErrorMessage(describeError(error));
}

bool askYesNo(const std::string& messageText, const std::string& informativeText) {
  Alert alert{messageText, informativeText, AlertStyle::informational, {"Yes", "No"}};
  return dialogs().runModal(alert) == alertFirstButtonReturn;
}

}  // namespace app
