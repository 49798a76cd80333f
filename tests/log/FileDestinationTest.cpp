#include "log/FileDestination.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace tallylog {
namespace {

namespace fs = std::filesystem;
using Level = Tallylog::Level;

class FileDestinationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tallylog-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
  }
  void TearDown() override { fs::remove_all(folder); }

  static void put(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  std::map<std::string, std::string> files() const {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder))
      contents[entry.path().filename().string()] = read(entry.path());
    return contents;
  }

  fs::path folder;
};

TEST_F(FileDestinationTest, Rotation) {
  struct Case {
    const char* name;
    std::int64_t amount, maxSize;
    std::map<std::string, std::string> before, after;
  };
  const std::string big(150, 'x'), hundred(100, 'y'), log = "tallylog.log", one = "tallylog.1.log";
  // clang-format off
  const Case cases[] = {
      {"one file grows without limit", 1, 10, {{log, big}}, {{log, big + "new\n"}}},
      {"three files", 3, 100, {{log, big}, {one, "one"}, {"tallylog.2.log", "two"}},
       {{log, "new\n"}, {one, big}, {"tallylog.2.log", "one"}}},
      {"gap in the older files", 4, 100, {{log, big}, {one, "one"}, {"tallylog.3.log", "three"}},
       {{log, "new\n"}, {one, big}, {"tallylog.2.log", "one"}}},
      {"exactly at the limit", 2, 100, {{log, hundred}}, {{log, hundred + "new\n"}}},
      {"negative limit", 2, -1, {{log, "a\n"}}, {{log, "new\n"}, {one, "a\n"}}},
      {"no file yet", 2, 0, {}, {{log, "new\n"}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    fs::remove_all(folder);
    fs::create_directory(folder);
    for (const auto& [name, content] : c.before) put(folder / name, content);
    FileDestination destination(folder / "tallylog.log");
    destination.logFileAmount = c.amount;
    destination.logFileMaxSize = c.maxSize;
    destination.format = "$M";
    destination.send(Level::info, "new", "", "f", "g()", 1, {});
    EXPECT_EQ(files(), c.after) << c.name;
  }
}

TEST_F(FileDestinationTest, MissingFileAndFolderAreCreatedAgain) {
  FileDestination destination(folder / "logs" / "tallylog.log");
  destination.format = "$L $M";
  destination.syncAfterEachWrite = true;
  EXPECT_TRUE(destination.removeLogFile()) << "never written";
  destination.send(Level::info, "first", "", "f", "g()", 1, {});
  fs::remove_all(folder / "logs");
  destination.send(Level::error, "second", "", "f", "g()", 1, {});
  EXPECT_EQ(read(folder / "logs" / "tallylog.log"), "ERROR second\n");
  EXPECT_TRUE(destination.removeLogFile());
  EXPECT_FALSE(fs::exists(folder / "logs" / "tallylog.log"));
}

TEST_F(FileDestinationTest, FailuresPrintOneLineAndReportFalse) {
  FileDestination withoutFile(std::nullopt);
  withoutFile.logFileURL.reset();
  withoutFile.logFileAmount = 3;
  EXPECT_FALSE(withoutFile.validateSaveFile("line"));

  put(folder / "plain", "a file, not a folder");
  FileDestination blocked(folder / "plain" / "my log.log");
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(blocked.appendLine("line"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Tallylog File Destination could not write to file file://" +
                (folder / "plain").string() + "/my%20log.log.\n");
}

TEST_F(FileDestinationTest, ColouredSwitch) {
  FileDestination destination(folder / "tallylog.log");
  EXPECT_EQ(destination.colorPrefix(Level::fault), "");
  destination.setColored(true);
  EXPECT_EQ(destination.formatMessage("$C$L$c", Level::critical, "m", "", "f", "g()", 1, {}),
            "\x1b[38;5;197mCRITICAL\x1b[0m");
  destination.setColored(false);
  EXPECT_EQ(destination.formatMessage("$C$L$c", Level::critical, "m", "", "f", "g()", 1, {}),
            "CRITICAL");
}

TEST_F(FileDestinationTest, DefaultLocationInTheCacheFolder) {
  ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  FileDestination destination(std::nullopt);
  ::unsetenv("XDG_CACHE_HOME");
  ASSERT_TRUE(destination.logFileURL.has_value());
  EXPECT_EQ(*destination.logFileURL, folder / "tests_log" / "tallylog.log");
  EXPECT_TRUE(fs::is_directory(folder / "tests_log"));
}

}  // namespace
}  // namespace tallylog
