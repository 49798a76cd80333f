#include "platform/DataHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace platform {
namespace {

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string homePath() {
  if (const char* home = std::getenv("HOME"); isAbsolute(home)) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr &&
      isAbsolute(result->pw_dir)) {
    return result->pw_dir;
  }
  return {};
}

}  // namespace

std::string dataHomePath() {
  if (const char* dataHome = std::getenv("XDG_DATA_HOME"); isAbsolute(dataHome)) {
    return withoutTrailingSlashes(dataHome);
  }
  const std::string home = homePath();
  if (home.empty()) return {};
  return withoutTrailingSlashes(home) + (home == "/" ? ".local/share" : "/.local/share");
}

}  // namespace platform
