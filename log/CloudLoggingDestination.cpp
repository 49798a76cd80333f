#include "log/CloudLoggingDestination.h"

#include "log/StandardOutput.h"
#include "log/Utf8Text.h"

#include <nlohmann/json.hpp>

namespace tallylog {

namespace {

const char* severity(Tallylog::Level level) {
  switch (level) {
    case Tallylog::Level::verbose:
    case Tallylog::Level::debug:
      return "DEBUG";
    case Tallylog::Level::info:
      return "INFO";
    case Tallylog::Level::warning:
      return "WARNING";
    case Tallylog::Level::error:
      return "ERROR";
    case Tallylog::Level::critical:
      return "CRITICAL";
    case Tallylog::Level::fault:
      break;
  }
  return "FAULT";
}

}  // namespace

CloudLoggingDestination::CloudLoggingDestination(std::string serviceName)
    : serviceName_(std::move(serviceName)) {}

std::optional<std::string> CloudLoggingDestination::send(Level level, std::string_view msg,
                                                         std::string_view, std::string_view file,
                                                         std::string_view function,
                                                         std::int64_t line,
                                                         const Context& context) {
  nlohmann::json entryContext = {
      {"reportLocation", {{"filePath", file}, {"lineNumber", line}, {"functionName", function}}},
  };
  if (context && context->is_object()) {
    const auto request = context->find("httpRequest");
    if (request != context->end() && request->is_object()) entryContext["httpRequest"] = *request;
    const auto user = context->find("user");
    if (user != context->end() && user->is_string()) entryContext["user"] = *user;
  }
  const nlohmann::json entry = {
      {"serviceContext", {{"service", serviceName_}}},
      {"message", msg},
      {"severity", severity(level)},
      {"context", std::move(entryContext)},
  };
  std::string text;
  try {
    text = entry.dump();
  } catch (const nlohmann::json::exception&) {
    text = fallbackEntry(file, function, line);
  }
  printLine(text);
  return text;
}

std::string CloudLoggingDestination::fallbackEntry(std::string_view file, std::string_view function,
                                                   std::int64_t line) {
  // File and function are written as JSON strings (escaped, invalid bytes replaced), so the entry
  // stays valid JSON whatever they hold; ordinary names come out as they are.
  return R"({"context":{"reportLocation":{"filePath": )" + jsonQuoted(file) +
         R"(,"functionName":)" + jsonQuoted(function) + R"(,"lineNumber":)" + std::to_string(line) +
         R"(}},"severity":"CRITICAL","message":"Error encoding JSON log entry. You may be losing log messages!"})";
}

}  // namespace tallylog
