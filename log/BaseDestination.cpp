#include "log/BaseDestination.h"

#include "log/FilterValidator.h"
#include "log/StandardOutput.h"
#include "platform/Uuid.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace tallylog {

namespace {

std::string newQueueLabel() { return "tallylog-queue-" + platform::newUuidText(); }

}  // namespace

const std::string& LevelTexts::operator[](Tallylog::Level level) const {
  switch (level) {
    case Tallylog::Level::verbose:
      return verbose;
    case Tallylog::Level::debug:
      return debug;
    case Tallylog::Level::info:
      return info;
    case Tallylog::Level::warning:
      return warning;
    case Tallylog::Level::error:
      return error;
    case Tallylog::Level::critical:
      return critical;
    case Tallylog::Level::fault:
      break;
  }
  return fault;
}

std::string& LevelTexts::operator[](Tallylog::Level level) {
  return const_cast<std::string&>(static_cast<const LevelTexts&>(*this)[level]);
}

BaseDestination::BaseDestination() : queue_(newQueueLabel()) {}

std::optional<std::string> BaseDestination::send(Level level, std::string_view msg,
                                                 std::string_view thread, std::string_view file,
                                                 std::string_view function, std::int64_t line,
                                                 const Context& context) {
  if (format.starts_with("$J")) return jsonLine(level, msg, thread, file, function, line, context);
  return formatMessage(format, level, msg, thread, file, function, line, context);
}

void BaseDestination::perform(bool waiting, std::function<void()> block) {
  if (waiting) {
    queue_.sync(block);
  } else {
    queue_.async(std::move(block));
  }
}

std::optional<std::string> BaseDestination::jsonLine(Level level, std::string_view msg,
                                                     std::string_view thread, std::string_view file,
                                                     std::string_view function, std::int64_t line,
                                                     const Context& context) const {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  nlohmann::ordered_json entry = {
      {"timestamp", std::chrono::duration<double>(now).count()},
      {"level", Tallylog::rawValue(level)},
      {"message", msg},
      {"thread", thread},
      {"file", file},
      {"function", function},
      {"line", line},
  };
  if (context) entry["context"] = nlohmann::ordered_json(*context);
  try {
    // Text that is not valid UTF-8 is written with U+FFFD in place of the invalid bytes rather
    // than losing the line.
    return entry.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  } catch (const nlohmann::json::exception&) {
    printLine("Tallylog could not create JSON from dict.");
    return std::nullopt;
  }
}

bool BaseDestination::passesLevelAndFilters(Level level, std::string_view path,
                                            std::string_view function,
                                            std::optional<std::string_view> message) const {
  if (filters.empty()) {
    const bool passes = level >= minLevel;
    if (debugPrint)
      printLine(passes ? "filters are empty and level >= minLevel"
                       : "filters are empty and level < minLevel");
    return passes;
  }
  bool excluded = false;
  const bool passes =
      FilterValidator::passes({filters, level, path, function, message}, minLevel, excluded);
  if (excluded && debugPrint) printLine("filters are not empty and message was excluded");
  return passes;
}

bool BaseDestination::hasMessageFilter() const {
  return std::any_of(filters.begin(), filters.end(), [](const std::shared_ptr<FilterType>& filter) {
    return filter->target().kind() == FilterTarget::Kind::Message;
  });
}

void BaseDestination::addFilter(std::shared_ptr<FilterType> filter) {
  filters.push_back(std::move(filter));
}

void BaseDestination::removeFilter(const std::shared_ptr<FilterType>& filter) {
  const auto found = std::find(filters.begin(), filters.end(), filter);
  if (found != filters.end()) filters.erase(found);
}

void BaseDestination::applyTerminalColors() {
  reset = "\x1b[0m";
  escape = "\x1b[38;5;";
  levelColor = LevelColor{{"251m", "35m", "38m", "178m", "197m", "197m", "197m"}};
}

}  // namespace tallylog
