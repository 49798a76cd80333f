#pragma once
// FileDestination: appends each line to a text file, by default "tallylog.log" in a folder named
// after the executable inside the user's cache folder ($XDG_CACHE_HOME, else ~/.cache), and rotates
// the file once it has grown past logFileMaxSize, keeping logFileAmount - 1 older files
// (tallylog.1.log the newest). Each line opens, locks (flock, advisory), appends to and closes the
// file. Failures print one line to standard output and drop the line; nothing is thrown. Threads
// and ownership as BaseDestination; set the fields before registering.

#include "log/BaseDestination.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace tallylog {

class FileDestination : public BaseDestination {
 public:
  // Without a path the default location is used (its folder is created here).
  explicit FileDestination(std::optional<std::filesystem::path> logFileURL);

  std::optional<std::filesystem::path> logFileURL;
  bool syncAfterEachWrite = false;
  std::int64_t logFileMaxSize = 5 * 1024 * 1024;
  std::int64_t logFileAmount = 1;

  bool colored() const { return colored_; }
  // True: 256-colour terminal sequences; false: no colour strings at all.
  void setColored(bool value);

  std::int64_t defaultHashValue() const override { return 2; }

  std::optional<std::string> send(Level level, std::string_view msg, std::string_view thread,
                                  std::string_view file, std::string_view function,
                                  std::int64_t line, const Context& context) override;

  // Rotates when due, then appends the line; whether it was written.
  bool validateSaveFile(std::string_view line);
  void rotateFile(const std::filesystem::path& url);
  static std::filesystem::path rotatedFileURL(const std::filesystem::path& url, std::int64_t index);
  bool appendLine(std::string_view line);
  bool writeData(std::span<const char> data, const std::filesystem::path& url);
  // True when the file was removed or was not there.
  bool removeLogFile();

  // "file://" and the percent-encoded absolute path, as the failure lines show a file.
  static std::string absoluteString(const std::filesystem::path& url);

 private:
  bool colored_ = false;
};

}  // namespace tallylog
