#include "device/Presets/PresetManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "device/Presets/PresetManagerLog.h"
#include "gzip/Gzip.h"
#include "platform/DataHome.h"
#include "platform/FileError.h"
#include "platform/PathRules.h"

namespace device {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view listedExtension = "VELTOshow";
// Temporary files of a write: their extension is never the listed one.
constexpr const char* temporaryFileName = ".VELTOtmp-XXXXXX";
// A compressed file this much larger than the inflate limit cannot inflate within it.
constexpr off_t maxFileSize = static_cast<off_t>(gzip::defaultInflateLimit + gzip::defaultInflateLimit / 64 + 4096);

[[noreturn]] void throwFileError(const char* what, const std::string& path, int error) {
  throw platform::FileError(what, path, error);
}

timespec toTimespec(platform::Date date) {
  using namespace std::chrono;
  const auto sinceEpoch = duration_cast<nanoseconds>(date.time_since_epoch());
  const auto wholeSeconds = floor<seconds>(sinceEpoch);
  return timespec{static_cast<time_t>(wholeSeconds.count()),
                  static_cast<long>((sinceEpoch - wholeSeconds).count())};
}

platform::Date toDate(const timespec& time) {
  using namespace std::chrono;
  return platform::Date(duration_cast<platform::Date::duration>(seconds(time.tv_sec) + nanoseconds(time.tv_nsec)));
}

// A file in the folder that holds the bytes and the modification time, then either replaces the
// target or is removed.
class TemporaryFile {
 public:
  TemporaryFile(const std::string& folder, const std::vector<std::uint8_t>& bytes, platform::Date date)
      : path_(PresetManager::presetPath(folder, temporaryFileName)) {
    const int fd = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd < 0) throwFileError("create a temporary file in", folder, errno);
    created_ = true;
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fchmod(fd, 0644) != 0) error = errno;
    const timespec times[2] = {{0, UTIME_NOW}, toTimespec(date)};
    if (error == 0 && ::futimens(fd, times) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) throwFileError("write the temporary file", path_, error);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (created_) ::unlink(path_.c_str());
  }

  // 0 or the error number of the rename.
  int replace(const std::string& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return errno;
    created_ = false;
    return 0;
  }

 private:
  static int writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
      const ssize_t result = ::write(fd, bytes.data() + written, bytes.size() - written);
      if (result < 0 && errno == EINTR) continue;
      if (result < 0) return errno;
      written += static_cast<std::size_t>(result);
    }
    return 0;
  }

  std::string path_;
  bool created_ = false;
};

}  // namespace

PresetManager::PresetManager(std::vector<std::shared_ptr<PresetHandler>> clients, std::string localPath)
    : clients_(std::move(clients)), localPath_(std::move(localPath)) {}

std::string PresetManager::defaultLocalPath() { return platform::dataHomePath() + "/VODEZevovoravevez/Presets/"; }

std::string PresetManager::presetPath(const std::string& localPath, const std::string& fileName) {
  return localPath + (localPath.ends_with('/') ? "" : "/") + fileName;
}

void PresetManager::requirePlainName(const std::string& fileName) {
  if (!platform::isPlainFileName(fileName)) throw PresetManagerError::invalidPath(fileName);
}

std::vector<PresetName> PresetManager::localPresetList(const std::string& path) {
  std::vector<PresetName> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
    const std::string fileName = entry.path().filename().string();
    if (platform::pathExtension(fileName) != listedExtension) continue;
    PresetName name(platform::fileNameWithoutExtension(fileName));
    name.setDate(presetModificationDate(entry.path().string()));
    names.push_back(std::move(name));
  }
  return names;
}

std::optional<platform::Date> PresetManager::presetModificationDate(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return toDate(status.st_mtim);
}

void PresetManager::writePresetToLocal(const std::vector<std::uint8_t>& data, const PresetName& name) const {
  requirePlainName(name.baseName());
  const gzip::Bytes compressed = gzip::gzipped(data);
  if (compressed.empty()) {
    PRESET_MANAGER_LOG(warning, "writePresetToLocal", "preset " + name.description() + " is empty");
    return;
  }
  const std::string path = presetPath(localPath_, name.fileName());
  TemporaryFile file(localPath_, compressed, name.date().value_or(std::chrono::system_clock::now()));
  struct stat status {};
  const bool replacing = ::lstat(path.c_str(), &status) == 0;
  if (const int error = file.replace(path); error != 0) {
    if (replacing) PRESET_MANAGER_LOG(warning, "writePresetToLocal", "failed deleting preset " + name.description());
    throwFileError("store the preset file", path, error);
  }
  if (replacing) PRESET_MANAGER_LOG(verbose, "writePresetToLocal", "overwriting preset " + name.description());
  PRESET_MANAGER_LOG(verbose, "writePresetToLocal", "writing preset " + name.description() + " to disk");
}

void PresetManager::deletePresetFromLocal(const PresetName& name, const std::string& localPath) {
  requirePlainName(name.baseName());
  const std::string path = presetPath(localPath, name.fileName());
  std::error_code error;
  if (!fs::remove(path, error)) throwFileError("remove the preset file", path, error ? error.value() : ENOENT);
}

PresetData PresetManager::loadPresetFromDisk(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) throw PresetManagerError::presetDoesNotExist(path);
  if (status.st_size > maxFileSize) throw gzip::GzipError(Z_MEM_ERROR, "preset file too large");
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw PresetManagerError::emptyPreset(path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  ssize_t result = 0;
  while ((result = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (result < 0 && errno == EINTR) continue;
    if (result < 0 || bytes.size() + static_cast<std::size_t>(result) > static_cast<std::size_t>(maxFileSize)) break;
    bytes.insert(bytes.end(), buffer, buffer + result);
  }
  ::close(fd);
  if (result != 0 || bytes.empty()) throw PresetManagerError::emptyPreset(path);
  return PresetData(gzip::gunzipped(bytes, 0));
}

PresetData PresetManager::loadPresetFromDisk(const std::string& fileName, const std::string& localPath) {
  requirePlainName(fileName);
  return loadPresetFromDisk(presetPath(localPath, fileName));
}

PresetData PresetManager::loadPreset(const PresetName& name) const {
  requirePlainName(name.baseName());
  return loadPresetFromDisk(name.fileName(), localPath_);
}

std::shared_ptr<Preset> PresetManager::loadPresetModel(const PresetName& name) const { return loadPreset(name).preset(); }

std::shared_ptr<Preset> PresetManager::loadPresetModel(const std::string& path) {
  return loadPresetFromDisk(path).preset();
}

}  // namespace device
