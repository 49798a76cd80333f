#include "platform/PathRules.h"

namespace platform {
namespace {

std::string_view withoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

// Where the extension's "." stands in `path` (trailing "/" already removed); npos when none.
std::size_t extensionDot(std::string_view path) {
  const std::string_view name = lastPathComponent(path);
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? dot : static_cast<std::size_t>(name.data() - path.data()) + dot;
}

}  // namespace

std::string_view lastPathComponent(std::string_view path) {
  path = withoutTrailingSlashes(path);
  if (path == "/") return path;
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view pathExtension(std::string_view path) {
  path = withoutTrailingSlashes(path);
  const auto dot = extensionDot(path);
  return dot == std::string_view::npos ? std::string_view{} : path.substr(dot + 1);
}

std::string_view deletingPathExtension(std::string_view path) {
  path = withoutTrailingSlashes(path);
  return path.substr(0, extensionDot(path));
}

std::string_view fileNameWithoutExtension(std::string_view path) {
  const std::string_view name = lastPathComponent(path);
  return name.substr(0, name.rfind('.'));
}

bool isPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace platform
