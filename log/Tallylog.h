#pragma once
// Tallylog: the one entry point through which every part of the program logs.
//
// A class of class-level operations only; it holds the process-wide set of destinations
// (BaseDestination) and hands each log call that passes a destination's level-and-filter test to
// that destination's own serial queue, without waiting (asynchronously() true, the default) or
// waiting (false). Every operation may be called from any thread. Code logs through the macros at
// the end:
//
//   TALLYLOG_INFO("Connected to " + endpoint.host);
//
// The message expression is evaluated only for a destination that takes the call (or once before
// the test when a destination filters on the message), so a filtered-out call costs no formatting.
// A context (any JSON value) may follow the message: TALLYLOG_ERROR(text, context).

#include "log/DeferredMessage.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tallylog {

class BaseDestination;

class Tallylog {
 public:
  Tallylog() = delete;

  // Severity of a log call; levels are ordered by raw value.
  enum class Level : std::int64_t {
    verbose = 0,
    debug = 1,
    info = 2,
    warning = 3,
    error = 4,
    critical = 5,
    fault = 6
  };
  // 0 to 6 give a level, every other value none.
  static std::optional<Level> levelFromRawValue(std::int64_t rawValue);
  static constexpr std::int64_t rawValue(Level level) { return static_cast<std::int64_t>(level); }

  // The optional context of a call: any JSON value, shared with the destinations that take the
  // call.
  using Context = std::shared_ptr<const nlohmann::json>;

  static constexpr std::string_view version = "2.1.1";
  static constexpr std::int64_t build = 2110;

  // The set of destinations. A destination object is held at most once; the set keeps it alive.
  static bool addDestination(std::shared_ptr<BaseDestination> destination);
  static bool removeDestination(const std::shared_ptr<BaseDestination>& destination);
  static void removeAllDestinations();
  static std::int64_t countDestinations();

  // One operation per level. `message` is either a callable that produces the message value
  // (called only when needed) or the value itself; `function` is the caller's function name.
  template <typename M>
  static void verbose(M&& message, std::string_view file, std::string_view function,
                      std::int64_t line, Context context = {}) {
    logAt(Level::verbose, message, file, function, line, std::move(context));
  }
  template <typename M>
  static void debug(M&& message, std::string_view file, std::string_view function,
                    std::int64_t line, Context context = {}) {
    logAt(Level::debug, message, file, function, line, std::move(context));
  }
  template <typename M>
  static void info(M&& message, std::string_view file, std::string_view function, std::int64_t line,
                   Context context = {}) {
    logAt(Level::info, message, file, function, line, std::move(context));
  }
  template <typename M>
  static void warning(M&& message, std::string_view file, std::string_view function,
                      std::int64_t line, Context context = {}) {
    logAt(Level::warning, message, file, function, line, std::move(context));
  }
  template <typename M>
  static void error(M&& message, std::string_view file, std::string_view function,
                    std::int64_t line, Context context = {}) {
    logAt(Level::error, message, file, function, line, std::move(context));
  }
  template <typename M>
  static void critical(M&& message, std::string_view file, std::string_view function,
                       std::int64_t line, Context context = {}) {
    logAt(Level::critical, message, file, function, line, std::move(context));
  }
  template <typename M>
  static void fault(M&& message, std::string_view file, std::string_view function,
                    std::int64_t line, Context context = {}) {
    logAt(Level::fault, message, file, function, line, std::move(context));
  }

  // Takes the caller's thread name and distributes the call.
  static void write(Level level, DeferredMessage message, std::string_view file,
                    std::string_view function, std::int64_t line, Context context);

  // The calling thread's name: empty on the main thread, else the thread's label (see
  // platform/ThreadLabel.h); a label that is not valid UTF-8 gives "<Thread: " + id + ">".
  // The text stays valid until the calling thread's label changes.
  static std::string_view threadName();

  // Hands the call to every destination that takes it (see the file comment).
  static void distribute(Level level, DeferredMessage message, std::string_view thread,
                         std::string_view file, std::string_view function, std::int64_t line,
                         Context context);

  // Whether every destination has run everything handed to it before this call within the given
  // number of seconds. A synchronous destination is waited for on the calling thread.
  static bool flush(std::int64_t timeoutSeconds);

  // The function name that destinations show: the part before the first "(", followed by "()".
  static std::string shortenedFunctionName(std::string_view function);

 private:
  template <typename M>
  static void logAt(Level level, M& message, std::string_view file, std::string_view function,
                    std::int64_t line, Context context) {
    auto produce = [&message]() -> decltype(auto) {
      if constexpr (std::is_invocable_v<M&>) {
        return std::invoke(message);
      } else {
        return static_cast<const std::remove_reference_t<M>&>(message);
      }
    };
    write(level, DeferredMessage(produce), file, function, line, std::move(context));
  }
};

}  // namespace tallylog

// Log calls that take the caller's file, function and line. The message expression is evaluated
// lazily; an optional second argument is the context (a Tallylog::Context).
#define TALLYLOG_CALL_(method, message, ...)                                    \
  ::tallylog::Tallylog::method([&]() { return (message); }, __FILE__, __func__, \
                               __LINE__ __VA_OPT__(, __VA_ARGS__))
#define TALLYLOG_VERBOSE(...) TALLYLOG_CALL_(verbose, __VA_ARGS__)
#define TALLYLOG_DEBUG(...) TALLYLOG_CALL_(debug, __VA_ARGS__)
#define TALLYLOG_INFO(...) TALLYLOG_CALL_(info, __VA_ARGS__)
#define TALLYLOG_WARNING(...) TALLYLOG_CALL_(warning, __VA_ARGS__)
#define TALLYLOG_ERROR(...) TALLYLOG_CALL_(error, __VA_ARGS__)
#define TALLYLOG_CRITICAL(...) TALLYLOG_CALL_(critical, __VA_ARGS__)
#define TALLYLOG_FAULT(...) TALLYLOG_CALL_(fault, __VA_ARGS__)
