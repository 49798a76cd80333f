#include "platform/FileType.h"

#include "platform/PathRules.h"

namespace platform {

FileType FileType::exported(std::string_view filenameExtension) {
  const std::string extension(filenameExtension);
  return FileType{"org.velto." + extension, extension, "application/x-velto-" + extension, true};
}

bool FileType::matches(std::string_view path) const { return pathExtension(path) == filenameExtension; }

}  // namespace platform
