#pragma once
// ConsoleDestination: writes each line to standard output (the default), to the NSLog stand-in on
// standard error, or to the system log under a subsystem and category. Levels are marked with
// coloured heart symbols by default, or with 256-colour terminal sequences.
// Threads and ownership as BaseDestination; set the fields before registering.

#include "log/BaseDestination.h"
#include "log/SystemLog.h"

#include <memory>
#include <string>

namespace tallylog {

class ConsoleDestination : public BaseDestination {
 public:
  // Where lines go: logger(subsystem, category), nslog() or print().
  class LogPrintWay {
   public:
    enum class Kind { logger, nslog, print };

    static LogPrintWay logger(std::string subsystem, std::string category) {
      return {Kind::logger, std::move(subsystem), std::move(category)};
    }
    static LogPrintWay nslog() { return {Kind::nslog, {}, {}}; }
    static LogPrintWay print() { return {Kind::print, {}, {}}; }

    Kind kind() const { return kind_; }
    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }
    bool operator==(const LogPrintWay&) const = default;

   private:
    LogPrintWay(Kind kind, std::string subsystem, std::string category)
        : kind_(kind), subsystem_(std::move(subsystem)), category_(std::move(category)) {}

    Kind kind_;
    std::string subsystem_;
    std::string category_;
  };

  ConsoleDestination();

  LogPrintWay logPrintWay = LogPrintWay::print();
  // Where logger and nslog lines go; the default writes to syslog(3) and standard error.
  std::shared_ptr<SystemLog> systemLog;

  bool useNSLog() const { return useNSLog_; }
  // True also switches logPrintWay to nslog; false changes nothing else.
  void setUseNSLog(bool value);

  bool useTerminalColors() const { return useTerminalColors_; }
  // True: 256-colour terminal sequences; false: the heart symbols again (reset and escape stay).
  void setUseTerminalColors(bool value);

  std::int64_t defaultHashValue() const override { return 1; }

  std::optional<std::string> send(Level level, std::string_view msg, std::string_view thread,
                                  std::string_view file, std::string_view function,
                                  std::int64_t line, const Context& context) override;

 private:
  void applyLevelSymbols();

  bool useNSLog_ = false;
  bool useTerminalColors_ = false;
};

}  // namespace tallylog
