#include "osc/OSCBundle.h"

#include <cstring>
#include <limits>

#include "osc/WireFormat.h"

namespace osc {

OSCBundleError OSCBundleError::invalidPrefix() { return {Case::invalidPrefix, "The OSC bundle does not begin with #bundle."}; }
OSCBundleError OSCBundleError::invalidSize() { return {Case::invalidSize, "The OSC bundle's size is not a multiple of four bytes."}; }
OSCBundleError OSCBundleError::sizeExceedsDataProvided() {
  return {Case::sizeExceedsDataProvided, "An element of the OSC bundle is longer than the data received."};
}
OSCBundleError OSCBundleError::nestingTooDeep() { return {Case::nestingTooDeep, "The OSC bundle nests bundles too deeply."}; }

bool operator==(const OSCBundle& a, const OSCBundle& b) {
  return a.endpoint_ == b.endpoint_ && a.receiveTime_ == b.receiveTime_ && a.timetag_ == b.timetag_ &&
         a.elements_ == b.elements_;
}

void OSCBundle::add(OSCMessage message) { elements_.emplace_back(std::move(message)); }
void OSCBundle::add(OSCBundle bundle) { elements_.emplace_back(std::move(bundle)); }

void OSCBundle::setEndpoint(std::optional<OSCEndpoint> endpoint) {
  for (auto& element : elements_) element.setEndpoint(endpoint);
  endpoint_ = std::move(endpoint);
}

void OSCBundle::setReceiveTime(std::optional<DispatchTime> time) {
  for (auto& element : elements_) element.setReceiveTime(time);
  receiveTime_ = time;
}

std::size_t OSCBundle::size() const {
  std::size_t total = 16;
  for (const auto& element : elements_) total += 4 + element.size();
  return total;
}

std::size_t OSCBundle::footprint() const {
  // Each element's footprint counts its own slot of the element array.
  std::size_t total = sizeof(OSCBundle) + (elements_.capacity() - elements_.size()) * sizeof(OSCObject);
  for (const auto& element : elements_) total += element.footprint();
  return total;
}

std::uint8_t* OSCBundle::writeTo(std::uint8_t* p) const {
  std::memcpy(p, prefix, 8);
  wire::writeUInt64(p + 8, timetag_);
  p += 16;
  for (const auto& element : elements_) {
    std::uint8_t* end = element.writeTo(p + 4);
    const auto elementSize = static_cast<std::size_t>(end - p - 4);
    if (elementSize > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
      throw OSCBundleError::invalidSize();
    }
    wire::writeUInt32(p, static_cast<std::uint32_t>(elementSize));
    p = end;
  }
  return p;
}

void OSCBundle::encode(std::vector<std::uint8_t>& out) const { wire::appendEncoded(out, *this, size()); }

std::vector<std::uint8_t> OSCBundle::data() const { return wire::encoded(*this, size()); }

OSCBundle OSCBundle::decode(std::span<const std::uint8_t> bytes) { return decode(bytes, 1); }

OSCBundle OSCBundle::decode(std::span<const std::uint8_t> bytes, int depth) {
  if (depth > maximumNestingDepth) throw OSCBundleError::nestingTooDeep();
  const std::size_t length = bytes.size();
  if (length < 16 || length % 4 != 0) throw OSCBundleError::invalidSize();
  if (std::memcmp(bytes.data(), prefix, 8) != 0) throw OSCBundleError::invalidPrefix();
  OSCBundle bundle(wire::readUInt64(bytes.data() + 8));
  std::size_t p = 16;
  while (p < length) {
    // A size field must be followed by at least one byte.
    if (p + 4 >= length) throw OSCBundleError::invalidSize();
    const auto n = static_cast<std::int32_t>(wire::readUInt32(bytes.data() + p));
    if (n <= 0) throw OSCBundleError::invalidSize();
    const auto elementSize = static_cast<std::size_t>(n);
    if (elementSize > length - p - 4) throw OSCBundleError::sizeExceedsDataProvided();
    const auto element = bytes.subspan(p + 4, elementSize);
    if (element[0] == '/') {
      bundle.elements_.emplace_back(std::in_place_index<0>, DecodedFrom<OSCMessage>{element});
    } else {
      bundle.elements_.emplace_back(decode(element, depth + 1));
    }
    p += 4 + elementSize;
  }
  return bundle;
}

std::string OSCBundle::description() const {
  if (elements_.empty()) return "empty OSCBundle(" + std::to_string(timetag_) + ")";
  std::string text = "OSCBundle(" + std::to_string(timetag_) + ", values: \n";
  for (const auto& element : elements_) {
    text += element.description();
    text += '\n';
  }
  text += ')';
  return text;
}

}  // namespace osc
