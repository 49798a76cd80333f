#pragma once
// The sinks of the console destination besides standard output: the system log (syslog(3)) for
// entries under a subsystem and category with a log type, and the stand-in for the platform's
// NSLog (standard error with time and process in front). Replaceable for tests.
// Called on the console destination's queue; implementations must be safe to share between
// destinations.

#include <string_view>

namespace tallylog {

class SystemLog {
 public:
  enum class Type { debug, info, error, fault };

  virtual ~SystemLog() = default;
  // Whether entries of this type are taken at all (syslog: the process's log mask).
  virtual bool isEnabled(Type type) const;
  // One entry "subsystem[category]: line".
  virtual void write(std::string_view subsystem, std::string_view category, Type type,
                     std::string_view line);
  // One line "yyyy-MM-dd HH:mm:ss.SSS program[pid:tid] line" on standard error.
  virtual void writeNSLog(std::string_view line);
};

}  // namespace tallylog
