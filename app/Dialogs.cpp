#include "app/Dialogs.h"

#include "app/MessageBoxDialogs.h"
#include <filesystem>

#include "platform/FileError.h"

namespace app {

namespace {
Dialogs* installed = nullptr;
}

Dialogs& dialogs() {
  static MessageBoxDialogs real;
  return installed != nullptr ? *installed : real;
}

void setDialogs(Dialogs* replacement) { installed = replacement; }

void showErrorMessage(QWidget* window, const std::string& informativeText) {
  dialogs().runModal(window, Alert{"Error", informativeText, AlertStyle::warning, {}});
}

std::string errorDescription(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::filesystem::filesystem_error& e) {
    return platform::fileErrorDescription(e);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "The operation failed for an unknown reason.";
  }
}

void showErrorAlert(QWidget* window, const std::exception_ptr& error) {
  if (error) showErrorMessage(window, errorDescription(error));
}

bool askYesNo(QWidget* window, const std::string& messageText, const std::string& informativeText) {
  Alert alert{messageText, informativeText, AlertStyle::informational, {"Yes", "No"}};
  return dialogs().runModal(window, alert) == alertFirstButtonReturn;
}

}  // namespace app
