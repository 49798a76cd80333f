#pragma once
// A folder only this user can enter, made with mkdtemp under the temporary directory and removed
// with everything in it when the object goes. Used for the sync's library when the user chose no
// folder, and for files dragged out of the window. Not copyable; any thread.

#include <filesystem>
#include <string>

namespace app {

class PrivateFolder {
 public:
  // Throws std::filesystem::filesystem_error when the folder cannot be made.
  explicit PrivateFolder(const std::string& prefix = "velto");
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace app
