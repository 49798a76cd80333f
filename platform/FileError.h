#pragma once
// A failed file operation: a std::filesystem::filesystem_error (path and error code as usual)
// whose what() and description() are one sentence naming the action, the file and the system's
// error text: "Could not write “/home/u/Show.VELTOshow”: File name too long". A value; any thread.

#include <filesystem>
#include <string>

namespace platform {

class FileError : public std::filesystem::filesystem_error {
 public:
  // `action`: what could not be done, as a verb phrase ("write", "read", "remove"); `errorNumber`
  // an errno value.
  FileError(const std::string& action, const std::filesystem::path& path, int errorNumber);

  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// The sentence of any filesystem_error: a FileError's own, else "Could not access “path”: reason".
std::string fileErrorDescription(const std::filesystem::filesystem_error& error);

}  // namespace platform
