#include "app/PresetManager/PresetFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/FileError.h"
#include "platform/PathRules.h"

namespace app {

namespace fs = std::filesystem;

std::optional<std::string> safeFileName(std::string_view name) {
  std::string result(name);
  std::replace(result.begin(), result.end(), '/', '_');
  if (!platform::isPlainFileName(result)) return std::nullopt;
  return result;
}

std::optional<std::string> deviceFolderName(const PresetDeviceInfo& info) {
  if (info.name == info.serialNumber) return safeFileName(info.name);
  return safeFileName(info.serialNumber + " - " + info.name);
}

std::optional<std::string> presetFileName(const device::PresetName& name) {
  auto base = safeFileName(name.baseName());
  if (!base) return std::nullopt;
  return *base + "." + name.fileExtension();
}

namespace {

[[noreturn]] void fail(const char* what, const fs::path& path, int error = errno) {
  throw platform::FileError(what, path, error);
}

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

void writeFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  std::string name = ".";  // appended step by step: g++ 12 warns falsely about "." + a temporary string
  name += path.filename().string();
  name += ".XXXXXX";
  std::string temporary = (path.parent_path() / name).string();
  Descriptor file{::mkstemp(temporary.data())};
  if (file.fd < 0) fail("write", path);
  auto discard = [&](const char* what) {
    const int error = errno;
    ::unlink(temporary.c_str());
    fail(what, path, error);
  };
  std::size_t written = 0;
  while (written < bytes.size()) {
    const auto n = ::write(file.fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) discard("write");
    written += static_cast<std::size_t>(n);
  }
  // mkstemp makes the file readable by its owner only; a saved preset is an ordinary file.
  if (::fchmod(file.fd, 0644) != 0 || ::fsync(file.fd) != 0) discard("write");
  if (::close(file.fd) != 0) {
    file.fd = -1;
    discard("write");
  }
  file.fd = -1;
  if (::rename(temporary.c_str(), path.c_str()) != 0) discard("replace");
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path, std::size_t limit) {
  Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) fail("open", path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (;;) {
    const auto n = ::read(file.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("read", path);
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > limit) fail("read", path, EFBIG);
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
}

}  // namespace app
