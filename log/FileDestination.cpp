#include "log/FileDestination.h"

#include "log/StandardOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tallylog {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> cacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return fs::path(xdg);
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return fs::path(home) / ".cache";
  return std::nullopt;
}

std::string executableName() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (!error && !executable.filename().empty()) return executable.filename().string();
  return program_invocation_short_name;
}

std::optional<fs::path> defaultLogFile() {
  const auto caches = cacheFolder();
  if (!caches) return std::nullopt;
  fs::path folder = *caches;
  const std::string name = executableName();
  if (!name.empty()) {
    std::error_code error;
    fs::create_directories(*caches / name, error);
    if (error) {
      printLine("Warning! Could not create folder /Library/Caches/" + name);
    } else {
      folder /= name;
    }
  }
  return folder / "tallylog.log";
}

// Closes the descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

bool writeAll(int fd, std::span<const char> data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data = data.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

FileDestination::FileDestination(std::optional<fs::path> logFileURL)
    : logFileURL(logFileURL ? std::move(logFileURL) : defaultLogFile()) {}

void FileDestination::setColored(bool value) {
  colored_ = value;
  if (value) {
    applyTerminalColors();
  } else {
    reset.clear();
    escape.clear();
    levelColor = LevelColor{};
  }
}

std::optional<std::string> FileDestination::send(Level level, std::string_view msg,
                                                 std::string_view thread, std::string_view file,
                                                 std::string_view function, std::int64_t line,
                                                 const Context& context) {
  auto text = BaseDestination::send(level, msg, thread, file, function, line, context);
  if (text) validateSaveFile(*text);
  return text;
}

bool FileDestination::validateSaveFile(std::string_view line) {
  if (logFileAmount > 1) {
    if (!logFileURL) return false;
    std::error_code error;
    if (fs::exists(*logFileURL, error)) {
      const std::uintmax_t size = fs::file_size(*logFileURL, error);
      if (error) {
        printLine("validateSaveFile error: " + error.message());
      } else if (logFileMaxSize < 0 || size > static_cast<std::uintmax_t>(logFileMaxSize)) {
        rotateFile(*logFileURL);
      }
    }
  }
  return appendLine(line);
}

void FileDestination::rotateFile(const fs::path& url) {
  const std::int64_t last = logFileAmount - 1;
  std::error_code error;
  for (std::int64_t index = last; index >= 1 && !error; --index) {
    const fs::path rotated = rotatedFileURL(url, index);
    if (!fs::exists(rotated, error) || error) continue;
    if (index == last) {
      fs::remove(rotated, error);
    } else {
      fs::rename(rotated, rotatedFileURL(url, index + 1), error);
    }
  }
  if (!error) fs::rename(url, rotatedFileURL(url, 1), error);
  if (error) printLine("rotateFile error: " + error.message());
}

fs::path FileDestination::rotatedFileURL(const fs::path& url, std::int64_t index) {
  std::string extension = url.extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  fs::path rotated = url;
  rotated.replace_filename(url.stem().string() + "." + std::to_string(index) + "." + extension);
  return rotated;
}

bool FileDestination::appendLine(std::string_view line) {
  if (!logFileURL) return false;
  std::string bytes(line);
  bytes += '\n';
  return writeData(bytes, *logFileURL);
}

bool FileDestination::writeData(std::span<const char> data, const fs::path& url) {
  const auto couldNotWrite = [&] {
    printLine("Tallylog File Destination could not write to file " + absoluteString(url) + ".");
    return false;
  };
  std::error_code error;
  if (!fs::exists(url, error)) {
    const fs::path folder = url.parent_path();
    if (!folder.empty() && !fs::exists(folder, error)) {
      fs::create_directories(folder, error);
      if (error) return couldNotWrite();
    }
    FileDescriptor created(::open(url.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  }
  FileDescriptor file(::open(url.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  if (file.get() < 0) return couldNotWrite();
  // The advisory lock stands in for file coordination with other writers of the same file.
  while (::flock(file.get(), LOCK_EX) != 0) {
    if (errno != EINTR) {
      printLine(std::string("Failed writing file with error: ") + std::strerror(errno));
      return false;
    }
  }
  if (!writeAll(file.get(), data)) return couldNotWrite();
  if (syncAfterEachWrite && ::fsync(file.get()) != 0) return couldNotWrite();
  if (!file.close()) return couldNotWrite();
  return true;
}

bool FileDestination::removeLogFile() {
  std::error_code error;
  if (!logFileURL || !fs::exists(*logFileURL, error)) return true;
  if (fs::remove(*logFileURL, error) && !error) return true;
  printLine("Tallylog File Destination could not remove file " + absoluteString(*logFileURL) + ".");
  return false;
}

std::string FileDestination::absoluteString(const fs::path& url) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string text = "file://";
  std::error_code error;
  const fs::path absolute = fs::absolute(url, error);
  for (const unsigned char c : (error ? url : absolute).string()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("-._~/!$&'()*+,;=:@", c) != nullptr;
    if (plain && c != '\0') {
      text += static_cast<char>(c);
    } else {
      text += '%';
      text += hex[c >> 4];
      text += hex[c & 0x0F];
    }
  }
  return text;
}

}  // namespace tallylog
