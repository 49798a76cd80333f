#include "osc/OSCMessage.h"

#include <array>
#include <bit>
#include <cstring>

#include "osc/AddressParts.h"
#include "osc/WireFormat.h"

namespace osc {

OSCMessageError OSCMessageError::malformedMessage(std::string text) {
  std::string description = "The OSC message is malformed: " + text;
  return {Case::malformedMessage, std::move(text), std::move(description)};
}
OSCMessageError OSCMessageError::malformedAddress(std::string text) {
  std::string description = "The OSC message's address \u201c" + text + "\u201d is not valid.";
  return {Case::malformedAddress, std::move(text), std::move(description)};
}
OSCMessageError OSCMessageError::invalidSize() {
  return {Case::invalidSize, {}, "The OSC message's size is not a multiple of four bytes."};
}

namespace {

bool allAscii(const std::uint8_t* p, std::size_t n) {
  std::uint8_t any = 0;
  for (std::size_t k = 0; k < n; ++k) any |= p[k];
  return any < 0x80;
}

std::size_t tagStringSize(std::size_t tagCount) { return paddedToFour(tagCount + 2); }

// The offset of the first 0 byte in p[0 ..< length], or `length` when there is none; `length`
// is a multiple of 4. Eight bytes at a time: a short text costs less than a call to memchr.
std::size_t firstZero(const std::uint8_t* p, std::size_t length) {
  if constexpr (std::endian::native != std::endian::little) {
    const auto* found = length == 0 ? nullptr : static_cast<const std::uint8_t*>(std::memchr(p, 0, length));
    return found ? static_cast<std::size_t>(found - p) : length;
  }
  // A borrow only runs towards higher bytes, so the lowest flagged byte is the first 0.
  const auto firstZeroIn = [](std::uint64_t word) {
    const std::uint64_t flagged = (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
    return flagged == 0 ? std::size_t{8} : static_cast<std::size_t>(std::countr_zero(flagged)) / 8;
  };
  std::size_t k = 0;
  for (; k + 8 <= length; k += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + k, 8);
    if (const std::size_t at = firstZeroIn(word); at < 8) return k + at;
  }
  if (k < length) {  // four bytes left; the upper four read as 0xFF, never 0
    std::uint64_t word = ~std::uint64_t{0};
    std::memcpy(&word, p + k, 4);
    if (const std::size_t at = firstZeroIn(word); at < 8) return k + at;
  }
  return length;
}

}  // namespace

OSCMessage::OSCMessage(OSCAddress address, std::vector<OSCValue> values)
    : address_(std::move(address)),
      values_(values.empty() ? nullptr : std::make_shared<const std::vector<OSCValue>>(std::move(values))) {}

std::optional<OSCMessage> OSCMessage::make(std::string_view address, std::vector<OSCValue> values) {
  auto validated = OSCAddress::make(address);
  if (!validated) return std::nullopt;
  return OSCMessage(std::move(*validated), std::move(values));
}

std::size_t OSCMessage::size() const {
  const auto& values = this->values();
  std::size_t total = address_.paddedSize() + tagStringSize(values.size());
  for (const auto& value : values) total += value.paddedSize();
  return total;
}

std::uint8_t* OSCMessage::writeTo(std::uint8_t* p) const {
  p = address_.writeTo(p);
  std::uint8_t* tags = p;
  *tags++ = ',';
  const auto& values = this->values();
  for (const auto& value : values) *tags++ = static_cast<std::uint8_t>(value.typeTag().rawValue);
  const std::size_t tagsSize = tagStringSize(values.size());
  p = wire::writePadding(tags, tagsSize - 1 - values.size());
  for (const auto& value : values) p = value.writeTo(p);
  return p;
}

std::size_t OSCMessage::footprint() const {
  const std::size_t addressSize = address_.text().size();
  std::size_t total = sizeof(OSCMessage) + (addressSize > OSCAddress::inlineCapacity ? addressSize : 0);
  if (!values_) return total;
  // The shared storage counts whole in every copy: an upper bound of what the copies hold.
  total += sizeof(std::vector<OSCValue>) + 2 * sizeof(void*) +
           (values_->capacity() - values_->size()) * sizeof(OSCValue);
  for (const auto& value : *values_) total += value.footprint();
  return total;
}

void OSCMessage::encode(std::vector<std::uint8_t>& out) const { wire::appendEncoded(out, *this, size()); }

std::vector<std::uint8_t> OSCMessage::data() const { return wire::encoded(*this, size()); }

namespace {

constexpr std::uint8_t notATag = 0xFF;

// The value kind of every byte that is a type tag character, notATag for the others.
constexpr auto tagKinds = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const auto tag = OSCTypeTag::fromRaw(static_cast<char>(c));
    table[static_cast<std::size_t>(c)] = tag ? static_cast<std::uint8_t>(tag->valueType) : notATag;
  }
  return table;
}();

// The error of a type tag string that did not pass the fast check, looked for in this order:
// non-ASCII bytes, the leading ",", then the first unknown character.
[[noreturn]] void throwTagStringError(std::span<const std::uint8_t> tags) {
  if (!allAscii(tags.data(), tags.size())) throw OSCTypeTagStringError::malformedData();
  if (tags.empty() || tags[0] != ',') throw OSCTypeTagStringError::unkownBeginningCharacter();
  for (std::size_t k = 1; k < tags.size(); ++k) {
    if (tagKinds[tags[k]] == notATag) throw OSCTypeTagStringError::unkownTypeTag(static_cast<char>(tags[k]));
  }
  throw OSCTypeTagStringError::malformedData();  // not reached: the fast check would have passed
}

}  // namespace

OSCMessage OSCMessage::decode(std::span<const std::uint8_t> bytes) {
  const std::size_t length = bytes.size();
  if (length % 4 != 0) throw OSCMessageError::invalidSize();
  const std::uint8_t* base = bytes.data();

  const auto [addressLength, valid] = OSCAddress::scan(base, length);
  const std::string_view addressText(reinterpret_cast<const char*>(base), addressLength);
  if (!valid) {
    if (!allAscii(base, addressLength)) {
      throw OSCMessageError::malformedMessage(std::string(OSCMessageError::nonAsciiAddressText));
    }
    throw OSCMessageError::malformedAddress(std::string(addressText));
  }

  // An address without its 0 byte would run past the end of the data.
  const std::size_t argumentsStart = addressLength / 4 * 4 + 4;
  if (argumentsStart > length) throw OSCMessageError::invalidSize();
  const auto rest = bytes.subspan(argumentsStart);
  OSCMessage message(withoutTrailingSlash(addressText));
  if (rest.empty()) return message;  // no type tag string: a message without values

  // The type tag string runs up to its 0 byte; without one it would run past the end.
  const std::size_t tagBytes = firstZero(rest.data(), rest.size());
  const bool tagsEnd = tagBytes < rest.size();
  bool tagsValid = rest[0] == ',';
  for (std::size_t k = 1; k < tagBytes && tagsValid; ++k) tagsValid = tagKinds[rest[k]] != notATag;
  if (!tagsValid) throwTagStringError(rest.first(tagBytes));
  if (!tagsEnd) throw OSCTypeTagStringError::malformedData();

  const std::size_t tagCount = tagBytes - 1;
  if (tagCount == 0) return message;
  auto values = std::make_shared<std::vector<OSCValue>>();
  values->reserve(tagCount);
  std::size_t p = tagStringSize(tagCount);
  for (std::size_t k = 1; k <= tagCount; ++k) {
    const auto kind = static_cast<OSCValueKind>(tagKinds[rest[k]]);
    if (kind == OSCValueKind::boolean) {
      values->push_back(OSCValue::boolean(rest[k] == 'T'));
    } else {
      p += OSCValue::decodeAppend(kind, rest.subspan(p), *values);
    }
  }
  message.values_ = std::move(values);
  return message;
}

std::string OSCMessage::description() const {
  std::string text = "OSCMessage(";
  text += address_.text();
  if (values_) {
    text += ", values: [";
    for (std::size_t k = 0; k < values_->size(); ++k) {
      if (k > 0) text += ", ";
      text += (*values_)[k].description();
    }
    text += ']';
  }
  text += ')';
  return text;
}

}  // namespace osc
