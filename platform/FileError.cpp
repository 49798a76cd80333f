#include "platform/FileError.h"

#include <system_error>

namespace platform {

namespace {

std::string sentence(const std::string& action, const std::filesystem::path& path, const std::error_code& code) {
  return "Could not " + action + " \u201c" + path.string() + "\u201d: " + code.message();
}

}  // namespace

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber)
    : filesystem_error(action, path, std::error_code(errorNumber, std::generic_category())),
      description_(sentence(action, path, code())) {}

std::string fileErrorDescription(const std::filesystem::filesystem_error& error) {
  if (const auto* own = dynamic_cast<const FileError*>(&error)) return own->description();
  return sentence("access", error.path1(), error.code());
}

}  // namespace platform
