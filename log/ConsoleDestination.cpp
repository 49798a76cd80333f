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

ConsoleDestination::ConsoleDestination() : systemLog(std::make_shared<SystemLog>()) {
  applyLevelSymbols();
}

void ConsoleDestination::applyLevelSymbols() {
  const std::string heart = "\u2764\uFE0F ";
  levelColor =
      LevelColor{{"\U0001F49C ", "\U0001F49A ", "\U0001F499 ", "\U0001F49B ", heart, heart, heart}};
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

std::optional<std::string> ConsoleDestination::send(Level level, std::string_view msg,
                                                    std::string_view thread, std::string_view file,
                                                    std::string_view function, std::int64_t line,
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
      if (systemLog->isEnabled(type))
        systemLog->write(logPrintWay.subsystem(), logPrintWay.category(), type, *text);
      break;
    }
  }
  return text;
}

}  // namespace tallylog
