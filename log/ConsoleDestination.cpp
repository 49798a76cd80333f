#include "log/ConsoleDestination.h"

#include "log/StandardOutput.h"

namespace tallylog {

namespace {

SystemLog::Type systemLogType(Tallylog::Level level) {
  switch (level) {
    case Tallylog::Level::verbose:
    case Tallylog::Level::debug:
      return SystemLog::Type::debug;
    case Tallylog::Level::info:
      return SystemLog::Type::info;
    case Tallylog::Level::warning:
    case Tallylog::Level::error:
      return SystemLog::Type::error;
    case Tallylog::Level::critical:
    case Tallylog::Level::fault:
      break;
  }
  return SystemLog::Type::fault;
}

}  // namespace

ConsoleDestination::ConsoleDestination() : systemLog(std::make_shared<SystemLog>()) { applyLevelSymbols(); }

void ConsoleDestination::applyLevelSymbols() {
  levelColor.verbose = "\U0001F49C ";
  levelColor.debug = "\U0001F49A ";
  levelColor.info = "\U0001F499 ";
  levelColor.warning = "\U0001F49B ";
  levelColor.error = "\u2764\uFE0F ";
  levelColor.critical = "\u2764\uFE0F ";
  levelColor.fault = "\u2764\uFE0F ";
}

void ConsoleDestination::setUseNSLog(bool value) {
  useNSLog_ = value;
  if (value) logPrintWay = LogPrintWay::nslog();
}

void ConsoleDestination::setUseTerminalColors(bool value) {
  useTerminalColors_ = value;
  if (value) {
    applyTerminalColors();
  } else {
    applyLevelSymbols();
  }
}

std::optional<std::string> ConsoleDestination::send(Level level, std::string_view msg, std::string_view thread,
                                                    std::string_view file, std::string_view function, std::int64_t line,
                                                    const Context& context) {
  auto text = BaseDestination::send(level, msg, thread, file, function, line, context);
  if (!text) return std::nullopt;
  switch (logPrintWay.kind()) {
    case LogPrintWay::Kind::print:
      printLine(*text);
      break;
    case LogPrintWay::Kind::nslog:
      systemLog->writeNSLog(*text);
      break;
    case LogPrintWay::Kind::logger: {
      const SystemLog::Type type = systemLogType(level);
      if (systemLog->isEnabled(type)) systemLog->write(logPrintWay.subsystem(), logPrintWay.category(), type, *text);
      break;
    }
  }
  return text;
}

}  // namespace tallylog
