// The console, cloud and file destinations, and the debug lines of the level-and-filter test.
#include "log/CloudLoggingDestination.h"
#include "log/ConsoleDestination.h"
#include "log/FileDestination.h"
#include "log/Filter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallylog {
namespace {

using Level = Tallylog::Level;

struct Entry {
  std::string subsystem, category;
  SystemLog::Type type;
  std::string line;
  bool operator==(const Entry&) const = default;
};

// A system log that takes only the types it is told to.
class FakeSystemLog : public SystemLog {
 public:
  bool isEnabled(Type type) const override { return type != Type::debug || debugEnabled; }
  void write(std::string_view subsystem, std::string_view category, Type type,
             std::string_view line) override {
    entries.push_back({std::string(subsystem), std::string(category), type, std::string(line)});
  }
  void writeNSLog(std::string_view line) override { nslogLines.emplace_back(line); }

  bool debugEnabled = false;
  std::vector<Entry> entries;
  std::vector<std::string> nslogLines;
};

TEST(ConsoleDestination, ColourSwitch) {
  EXPECT_FALSE(Tallylog::levelFromRawValue(7));
  EXPECT_FALSE(Tallylog::levelFromRawValue(-1));
  ConsoleDestination console;
  const auto symbols = [&] {
    return console.colorPrefix(Level::verbose) + console.colorPrefix(Level::fault);
  };
  EXPECT_EQ(symbols(), "\U0001F49C \u2764\uFE0F ");
  EXPECT_EQ(console.reset, "");
  console.setUseTerminalColors(true);
  EXPECT_EQ(console.formatMessage("$C$L$c", Level::fault, "m", "", "f", "g()", 1, {}),
            "\x1b[38;5;197mFAULT\x1b[0m");
  EXPECT_EQ(console.formatMessage("$C$L$c", Level::verbose, "m", "", "f", "g()", 1, {}),
            "\x1b[38;5;251mVERBOSE\x1b[0m");
  console.setUseTerminalColors(false);  // symbols again, the sequences stay
  EXPECT_EQ(console.reset + console.escape, "\x1b[0m\x1b[38;5;");
  EXPECT_EQ(symbols(), "\U0001F49C \u2764\uFE0F ");
}

TEST(ConsoleDestination, PrintWays) {
  ConsoleDestination console;
  const auto system = std::make_shared<FakeSystemLog>();
  console.systemLog = system;
  console.format = "$L $M";

  console.setUseNSLog(true);
  console.send(Level::info, "to nslog", "", "f", "g()", 1, {});
  console.setUseNSLog(false);
  EXPECT_EQ(console.logPrintWay, ConsoleDestination::LogPrintWay::nslog());
  EXPECT_EQ(system->nslogLines, std::vector<std::string>{"INFO to nslog"});

  console.logPrintWay = ConsoleDestination::LogPrintWay::print();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(console.send(Level::info, "to stdout", "", "f", "g()", 1, {}), "INFO to stdout");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "INFO to stdout\n");

  console.logPrintWay = ConsoleDestination::LogPrintWay::logger("velto", "net");
  console.send(Level::verbose, "dropped", "", "f", "g()", 1, {});
  system->debugEnabled = true;
  for (Level level : {Level::verbose, Level::warning, Level::critical})
    console.send(level, "m", "", "f", "g()", 1, {});
  using Type = SystemLog::Type;
  EXPECT_EQ(system->entries, (std::vector<Entry>{{"velto", "net", Type::debug, "VERBOSE m"},
                                                 {"velto", "net", Type::error, "WARNING m"},
                                                 {"velto", "net", Type::fault, "CRITICAL m"}}));
}

using nlohmann::json;

Tallylog::Context context(json value) { return std::make_shared<const json>(std::move(value)); }

json sent(CloudLoggingDestination& destination, Level level, const Tallylog::Context& callContext) {
  ::testing::internal::CaptureStdout();
  const auto text = destination.send(level, "hello", "thread", "/src/net/Socket.cpp", "connect()",
                                     42, callContext);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), text.value_or("") + "\n");
  return json::parse(text.value_or("null"));
}

TEST(CloudLoggingDestination, EntriesAreWrittenSynchronously) {
  CloudLoggingDestination destination("velto");
  destination.setAsynchronously(true);
  EXPECT_FALSE(destination.asynchronously());
  const json location = {
      {"filePath", "/src/net/Socket.cpp"}, {"lineNumber", 42}, {"functionName", "connect()"}};
  const json full = sent(destination, Level::info, {});
  EXPECT_EQ(full, json({{"serviceContext", {{"service", "velto"}}},
                        {"message", "hello"},
                        {"severity", "INFO"},
                        {"context", {{"reportLocation", location}}}}));

  const std::pair<Level, const char*> severities[] = {
      {Level::verbose, "DEBUG"}, {Level::debug, "DEBUG"},       {Level::warning, "WARNING"},
      {Level::error, "ERROR"},   {Level::critical, "CRITICAL"}, {Level::fault, "FAULT"}};
  for (const auto& [level, name] : severities)
    EXPECT_EQ(sent(destination, level, {})["severity"], name);

  const json request = {{"method", "GET"}, {"status", 200}};
  EXPECT_EQ(sent(destination, Level::info,
                 context({{"user", "ann"}, {"httpRequest", request}, {"other", 1}}))["context"],
            json({{"reportLocation", location}, {"httpRequest", request}, {"user", "ann"}}));
  for (const json& ignored : {json({{"user", 7}, {"httpRequest", "text"}}), json("just text")})
    EXPECT_EQ(sent(destination, Level::info, context(ignored))["context"],
              json({{"reportLocation", location}}));
}

TEST(CloudLoggingDestination, FallbackEntryIsValidJson) {
  const std::string fallbackMessage =
      "Error encoding JSON log entry. You may be losing log messages!";
  EXPECT_EQ(
      CloudLoggingDestination::fallbackEntry("/a/F.cpp", "g()", 5),
      R"x({"context":{"reportLocation":{"filePath": "/a/F.cpp","functionName":"g()","lineNumber":5}},)x"
      R"x("severity":"CRITICAL","message":")x" +
          fallbackMessage + R"x("})x");

  CloudLoggingDestination destination("velto");
  ::testing::internal::CaptureStdout();
  const auto text = destination.send(Level::info, "bad \xC3 byte", "", "C:\\dir\\\"quoted\".cpp",
                                     "f\xFF()", 3, {});
  ::testing::internal::GetCapturedStdout();
  const json entry = json::parse(*text);
  EXPECT_EQ(entry["severity"], "CRITICAL");
  EXPECT_EQ(entry["message"], fallbackMessage);
  EXPECT_EQ(entry["context"]["reportLocation"], json({{"filePath", "C:\\dir\\\"quoted\".cpp"},
                                                      {"functionName", "f\uFFFD()"},
                                                      {"lineNumber", 3}}));
}

namespace fs = std::filesystem;

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

// With debugPrint set, the level-and-filter test prints why it refused or took a call: for empty
// filters either way, with filters only an exclusion; nothing at all without debugPrint.
TEST(Filters, DebugLinesExplainTheDecision) {
  const auto secret = Filters::Message::excludes({"secret"}, false, false, Level::verbose);
  const auto requiredNet = Filters::Path::contains({"/net/"}, true, true, Level::verbose);
  const struct {
    decltype(BaseDestination::filters) filters;
    Level level;
    const char* message;
    bool debugPrint, passes;
    const char* printed;
  } cases[] = {
      {{}, Level::debug, nullptr, true, false, "filters are empty and level < minLevel\n"},
      {{}, Level::info, nullptr, true, true, "filters are empty and level >= minLevel\n"},
      {{}, Level::debug, nullptr, false, false, ""},
      {{secret}, Level::info, "a SECRET plan", true, false, "filters are not empty and message was excluded\n"},
      {{secret}, Level::info, "a SECRET plan", false, false, ""},
      {{secret}, Level::info, "plain", true, true, ""},
      {{secret, requiredNet}, Level::info, "plain", true, false, ""},  // refused by the required filter
  };
  for (const auto& c : cases) {
    BaseDestination destination;
    destination.minLevel = Level::info;
    destination.filters = c.filters;
    destination.debugPrint = c.debugPrint;
    const auto message = c.message ? std::optional<std::string_view>(c.message) : std::nullopt;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(destination.passesLevelAndFilters(c.level, "/osc/a.cpp", "f()", message), c.passes) << c.printed;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
  }
}

}  // namespace
}  // namespace tallylog
