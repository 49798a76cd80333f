#pragma once
// Log calls of PresetManager's files: every line names the source file "PresetManager.cpp" and the
// operation passed in (the operation that logs, also from a helper or a scope guard). The message
// is built only when a destination takes the call.

#include <string>
#include <vector>

#include "device/Model/PresetName.h"
#include "log/Tallylog.h"

#define PRESET_MANAGER_LOG(level, function, message) \
  ::tallylog::Tallylog::level([&]() { return std::string(message); }, "PresetManager.cpp", function, __LINE__)

namespace device {

// "[a, b *[2024-01-02T03:04:05.678Z]]": the names' descriptions in brackets.
inline std::string printedList(const std::vector<PresetName>& names) {
  std::string text = "[";
  for (const auto& name : names) {
    if (text.size() > 1) text += ", ";
    text += name.description();
  }
  return text + "]";
}

}  // namespace device
