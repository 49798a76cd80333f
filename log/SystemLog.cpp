#include "log/SystemLog.h"

#include "log/DateFormatter.h"

#include <chrono>
#include <cstdio>
#include <string>

#include <errno.h>
#include <syslog.h>
#include <unistd.h>

namespace tallylog {

namespace {

int priority(SystemLog::Type type) {
  switch (type) {
    case SystemLog::Type::debug:
      return LOG_DEBUG;
    case SystemLog::Type::info:
      return LOG_INFO;
    case SystemLog::Type::error:
      return LOG_ERR;
    case SystemLog::Type::fault:
      break;
  }
  return LOG_CRIT;
}

}  // namespace

bool SystemLog::isEnabled(Type type) const {
  return (setlogmask(0) & LOG_MASK(priority(type))) != 0;
}

void SystemLog::write(std::string_view subsystem, std::string_view category, Type type,
                      std::string_view line) {
  syslog(LOG_USER | priority(type), "%.*s[%.*s]: %.*s", static_cast<int>(subsystem.size()),
         subsystem.data(), static_cast<int>(category.size()), category.data(),
         static_cast<int>(line.size()), line.data());
}

void SystemLog::writeNSLog(std::string_view line) {
  const std::string text =
      DateFormatter().format("yyyy-MM-dd HH:mm:ss.SSS", std::chrono::system_clock::now()) + " " +
      program_invocation_short_name + "[" + std::to_string(getpid()) + ":" +
      std::to_string(gettid()) + "] " + std::string(line) + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace tallylog
