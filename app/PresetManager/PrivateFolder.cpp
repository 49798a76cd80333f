#include "app/PresetManager/PrivateFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <system_error>

namespace app {

namespace fs = std::filesystem;

PrivateFolder::PrivateFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw fs::filesystem_error("cannot make a private folder", pattern,
                               std::error_code(errno, std::generic_category()));
  path_ = pattern;
}

PrivateFolder::~PrivateFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace app
