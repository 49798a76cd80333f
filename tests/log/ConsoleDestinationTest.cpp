#include "log/ConsoleDestination.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tallylog
