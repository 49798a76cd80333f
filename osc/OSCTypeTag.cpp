#include "osc/OSCTypeTag.h"

#include "osc/OSCValue.h"
#include "osc/WireFormat.h"

namespace osc {

OSCTypeTagStringError OSCTypeTagStringError::unkownTypeTag(char character) {
  std::string text = "The OSC type tag \u201c";
  text += character;
  text += "\u201d is unknown.";
  return {Case::unkownTypeTag, character, std::move(text)};
}
OSCTypeTagStringError OSCTypeTagStringError::malformedData() {
  return {Case::malformedData, 0, "The OSC type tags are malformed."};
}
OSCTypeTagStringError OSCTypeTagStringError::unkownBeginningCharacter() {
  return {Case::unkownBeginningCharacter, 0, "The OSC type tags do not begin with a comma."};
}

OSCTypeTagString OSCTypeTagString::fromValues(std::span<const OSCValue> values) {
  OSCTypeTagString result;
  result.typeTags.reserve(values.size());
  for (const auto& value : values) result.typeTags.push_back(value.typeTag());
  return result;
}

OSCTypeTagString OSCTypeTagString::parse(std::string_view text) {
  if (text.empty() || text.front() != ',') throw OSCTypeTagStringError::unkownBeginningCharacter();
  OSCTypeTagString result;
  for (char c : text.substr(1)) {
    if (c == '\0') break;
    const auto tag = OSCTypeTag::fromRaw(c);
    if (!tag) throw OSCTypeTagStringError::unkownTypeTag(c);
    result.typeTags.push_back(*tag);
  }
  return result;
}

OSCTypeTagString OSCTypeTagString::decode(std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) {
    if (b > 0x7F) throw OSCTypeTagStringError::malformedData();
  }
  return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> OSCTypeTagString::data() const {
  std::vector<std::uint8_t> out(paddedSize(), 0);
  out[0] = ',';
  for (std::size_t k = 0; k < typeTags.size(); ++k) out[k + 1] = static_cast<std::uint8_t>(typeTags[k].rawValue);
  return out;
}

}  // namespace osc
