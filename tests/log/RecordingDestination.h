#pragma once
// A destination for tests that keeps every call it is sent, with the line the base produced and
// the label of the thread that ran it; and a helper for lines that start with the time of day.

#include "log/BaseDestination.h"
#include "platform/ThreadLabel.h"

#include <gmock/gmock.h>

#include <mutex>
#include <string>
#include <vector>

namespace tallylog::testing {

struct SentCall {
  Tallylog::Level level;
  std::string message, thread, file, function;
  std::int64_t line;
  std::string text;
  std::string queueLabel;  // label of the thread that ran send
};

class RecordingDestination : public BaseDestination {
 public:
  std::optional<std::string> send(Level level, std::string_view msg, std::string_view thread,
                                  std::string_view file, std::string_view function,
                                  std::int64_t line, const Context& context) override {
    auto text = BaseDestination::send(level, msg, thread, file, function, line, context);
    std::lock_guard lock(mutex_);
    calls_.push_back({level, std::string(msg), std::string(thread), std::string(file),
                      std::string(function), line, text.value_or(""), platform::threadLabel()});
    return text;
  }

  std::vector<SentCall> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<SentCall> calls_;
};

// The text after a line's leading "HH:mm:ss.SSS"; the whole line marked when it has no such start.
inline std::string afterTimeOfDay(const std::string& line) {
  const auto timed = ::testing::MatchesRegex("[0-9]{2}:[0-9]{2}:[0-9]{2}[.][0-9]{3}.*");
  return ::testing::Matches(timed)(line) ? line.substr(12) : "no time of day: " + line;
}

}  // namespace tallylog::testing
