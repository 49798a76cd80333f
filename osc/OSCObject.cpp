#include "osc/OSCObject.h"

namespace osc {

const std::optional<OSCEndpoint>& OSCObject::endpoint() const {
  return std::visit([](const auto& object) -> const std::optional<OSCEndpoint>& { return object.endpoint(); }, value_);
}

void OSCObject::setEndpoint(std::optional<OSCEndpoint> endpoint) {
  std::visit([&](auto& object) { object.setEndpoint(std::move(endpoint)); }, value_);
}

const std::optional<DispatchTime>& OSCObject::receiveTime() const {
  return std::visit([](const auto& object) -> const std::optional<DispatchTime>& { return object.receiveTime(); },
                    value_);
}

void OSCObject::setReceiveTime(std::optional<DispatchTime> time) {
  std::visit([&](auto& object) { object.setReceiveTime(time); }, value_);
}

std::vector<std::uint8_t> OSCObject::data() const {
  return std::visit([](const auto& object) { return object.data(); }, value_);
}

void OSCObject::encode(std::vector<std::uint8_t>& out) const {
  std::visit([&](const auto& object) { object.encode(out); }, value_);
}

std::uint8_t* OSCObject::writeTo(std::uint8_t* p) const {
  return std::visit([&](const auto& object) { return object.writeTo(p); }, value_);
}

std::size_t OSCObject::size() const {
  return std::visit([](const auto& object) { return object.size(); }, value_);
}

std::size_t OSCObject::footprint() const {
  const std::size_t inner = std::visit([](const auto& value) { return value.footprint() - sizeof value; }, value_);
  return sizeof(OSCObject) + inner;
}

std::string OSCObject::description() const {
  return std::visit([](const auto& object) { return object.description(); }, value_);
}

}  // namespace osc
