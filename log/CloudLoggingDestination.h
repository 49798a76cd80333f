#pragma once
// CloudLoggingDestination: prints one compact JSON entry per call to standard output (service
// context, report location, severity, message and the "httpRequest" and "user" parts of a context
// object) for whatever collects the process's output, and returns it. It always runs synchronously:
// each log call returns once its entry is printed. An entry that cannot be encoded (text that is
// not valid UTF-8) is replaced by a fixed CRITICAL entry that still names the calling place.
// Threads and ownership as BaseDestination.

#include "log/BaseDestination.h"

#include <string>

namespace tallylog {

class CloudLoggingDestination : public BaseDestination {
 public:
  explicit CloudLoggingDestination(std::string serviceName);

  const std::string& serviceName() const { return serviceName_; }

  // Always false; assigning has no effect.
  bool asynchronously() const override { return false; }
  void setAsynchronously(bool) override {}

  std::optional<std::string> send(Level level, std::string_view msg, std::string_view thread,
                                  std::string_view file, std::string_view function,
                                  std::int64_t line, const Context& context) override;

  // The entry printed in place of one that cannot be encoded.
  static std::string fallbackEntry(std::string_view file, std::string_view function,
                                   std::int64_t line);

 private:
  const std::string serviceName_;
};

}  // namespace tallylog
