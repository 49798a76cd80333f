#include "simulator/SimMessage.h"

#include <cstdio>

namespace testsupport {

std::string SimValue::description() const {
  switch (tag) {
    case 'i':
    case 'h':
    case 't':
      return std::to_string(integer);
    case 'f':
    case 'd': {
      char text[32];
      std::snprintf(text, sizeof text, "%g", real);
      return text;
    }
    case 's':
      return "\"" + text + "\"";
    case 'b':
      return "blob(" + std::to_string(bytes.size()) + ")";
    default:
      return std::string(1, tag);
  }
}

std::string SimMessage::types() const {
  std::string tags;
  for (const auto& value : values) tags += value.tag;
  return tags;
}

std::optional<std::int32_t> SimMessage::int32(std::size_t k) const {
  if (k >= values.size() || values[k].tag != 'i') return std::nullopt;
  return static_cast<std::int32_t>(values[k].integer);
}

std::optional<std::string> SimMessage::string(std::size_t k) const {
  if (k >= values.size() || values[k].tag != 's') return std::nullopt;
  return values[k].text;
}

std::optional<bool> SimMessage::boolean(std::size_t k) const {
  if (k >= values.size() || (values[k].tag != 'T' && values[k].tag != 'F')) return std::nullopt;
  return values[k].tag == 'T';
}

const std::vector<std::uint8_t>* SimMessage::blob(std::size_t k) const {
  if (k >= values.size() || values[k].tag != 'b') return nullptr;
  return &values[k].bytes;
}

std::string SimMessage::description() const {
  std::string text = address + " " + types();
  for (const auto& value : values) {
    text += ' ';
    text += value.description();
  }
  return text;
}

}  // namespace testsupport
