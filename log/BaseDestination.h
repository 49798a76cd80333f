#pragma once
// BaseDestination: the base of every log destination. It carries the settings all destinations
// share (format, minimum level, level names and colours, filters), its own serial queue on which
// Tallylog runs its work, the level-and-filter test, and the line formatter.
//
// Ownership and threads: held by shared_ptr (Tallylog's set keeps registered ones alive).
// passesLevelAndFilters runs on the logging caller's thread; send, and with it all formatting, runs
// on the destination's queue, one call at a time. The public settings are not synchronised: set
// them before registering the destination with Tallylog.
//
// Line format: "$" tokens, each optionally preceded by a width ("$-8L" left-aligned in 8
// characters, "$8L" right-aligned): I literal text, L level name, M message, T thread, N file name
// without extension, n file name, F function, l line, D<pattern> local date, Z<pattern> UTC date
// (later D tokens then also show UTC), d and z end a date pattern, U uptime, C colour start,
// c colour end, X context. A format that begins with "$J" gives one JSON object per line. Dates
// are in `calendar`, with English names and ASCII digits.

#include "log/Filter.h"
#include "log/SerialQueue.h"
#include "log/Tallylog.h"
#include "platform/Calendar.h"
#include "platform/DateFormatter.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallylog {

// Seven texts, one per level.
struct LevelTexts {
  std::string verbose, debug, info, warning, error, critical, fault;

  const std::string& operator[](Tallylog::Level level) const;
  std::string& operator[](Tallylog::Level level);
  bool operator==(const LevelTexts&) const = default;
};

class BaseDestination {
 public:
  using Level = Tallylog::Level;
  using Context = Tallylog::Context;

  struct LevelString : LevelTexts {
    LevelString()
        : LevelTexts{"VERBOSE", "DEBUG", "INFO", "WARNING", "ERROR", "CRITICAL", "FAULT"} {}
  };
  struct LevelColor : LevelTexts {};

  BaseDestination();
  virtual ~BaseDestination() = default;
  BaseDestination(const BaseDestination&) = delete;
  BaseDestination& operator=(const BaseDestination&) = delete;

  std::string format = "$DHH:mm:ss.SSS$d $C$L$c $N.$F:$l - $M";
  Level minLevel = Level::verbose;
  LevelString levelString;
  LevelColor levelColor;
  platform::Calendar calendar = platform::Calendar::current();
  std::string reset;
  std::string escape;
  std::vector<std::shared_ptr<FilterType>> filters;
  bool debugPrint = false;

  // Whether Tallylog hands calls over without waiting for them.
  virtual bool asynchronously() const { return asynchronously_; }
  virtual void setAsynchronously(bool value) { asynchronously_ = value; }

  // 0 here; every destination of one class gives the same value.
  virtual std::int64_t defaultHashValue() const { return 0; }

  // The queue ("tallylog-queue-" + UUID) on which Tallylog runs this destination's work.
  SerialQueue& queue() { return queue_; }

  // Produces the line of one call (the JSON line when `format` begins with "$J", nothing when that
  // could not be built); subclasses call this and emit the result. Runs on the queue.
  virtual std::optional<std::string> send(Level level, std::string_view msg,
                                          std::string_view thread, std::string_view file,
                                          std::string_view function, std::int64_t line,
                                          const Context& context);

  // Runs `block` on the queue, waiting for it when `waiting` is true.
  void perform(bool waiting, std::function<void()> block);
  // Runs `block` on the queue, waits, and returns its result or passes its exception on.
  template <typename F>
  auto performAndWait(F&& block) {
    return queue_.sync(block);
  }

  std::string formatMessage(std::string_view format, Level level, std::string_view msg,
                            std::string_view thread, std::string_view file,
                            std::string_view function, std::int64_t line, const Context& context);
  std::optional<std::string> jsonLine(Level level, std::string_view msg, std::string_view thread,
                                      std::string_view file, std::string_view function,
                                      std::int64_t line, const Context& context) const;

  // Whether this destination takes a call; `function` as the caller spelled it, `message` only when
  // Tallylog has produced it for a message filter.
  bool passesLevelAndFilters(Level level, std::string_view path, std::string_view function,
                             std::optional<std::string_view> message) const;
  bool hasMessageFilter() const;

  void addFilter(std::shared_ptr<FilterType> filter);
  void removeFilter(const std::shared_ptr<FilterType>& filter);

  const std::string& levelName(Level level) const { return levelString[level]; }
  const std::string& colorPrefix(Level level) const { return levelColor[level]; }

  // The current moment in `pattern`; a non-empty time-zone abbreviation changes the zone first
  // ("JST", "CEST", ...; an unknown one selects the system's zone).
  std::string formattedDate(std::string_view pattern, std::string_view timeZone);
  // Time since construction as "HH:mm:ss.SSS" (hours may take more than two digits).
  std::string uptimeText() const;

 protected:
  // Switches the colour strings to 256-colour terminal sequences.
  void applyTerminalColors();

 private:
  bool asynchronously_ = true;
  platform::DateFormatter formatter_;
  const std::chrono::steady_clock::time_point startDate_ = std::chrono::steady_clock::now();
  SerialQueue queue_;
};

}  // namespace tallylog
