#pragma once
// The log calls of the device clients (internal to device/Clients): a literal message, the
// client operation's own name as the function, and an optional context value. Any thread; call it
// with no client lock held.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "log/Tallylog.h"

namespace device {

using Level = tallylog::Tallylog::Level;

inline void clientLog(Level level, std::string_view message, std::string_view function, std::int64_t line,
                      std::optional<nlohmann::json> context = std::nullopt) {
  tallylog::Tallylog::Context shared;
  if (context) shared = std::make_shared<const nlohmann::json>(std::move(*context));
  auto produce = [message] { return message; };
  tallylog::Tallylog::write(level, tallylog::DeferredMessage(produce), __FILE__, function, line, std::move(shared));
}

// The text of an error: its what(), or a fixed text for a foreign exception.
inline std::string errorText(const std::exception_ptr& error) {
  if (!error) return "no error";
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace device
