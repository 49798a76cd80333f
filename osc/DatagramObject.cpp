#include "osc/DatagramObject.h"

namespace osc {

CustomDatagramObject& DatagramObject::ownCustom() {
  auto& shared = std::get<1>(value_);
  if (shared.use_count() != 1) shared = std::shared_ptr<CustomDatagramObject>(shared->clone());
  return *shared;
}

const std::optional<OSCEndpoint>& DatagramObject::endpoint() const {
  return oscObject() ? oscObject()->endpoint() : custom()->endpoint();
}

void DatagramObject::setEndpoint(std::optional<OSCEndpoint> endpoint) {
  if (auto* object = std::get_if<0>(&value_)) {
    object->setEndpoint(std::move(endpoint));
  } else {
    ownCustom().setEndpoint(std::move(endpoint));
  }
}

const std::optional<DispatchTime>& DatagramObject::receiveTime() const {
  return oscObject() ? oscObject()->receiveTime() : custom()->receiveTime();
}

void DatagramObject::setReceiveTime(std::optional<DispatchTime> time) {
  if (auto* object = std::get_if<0>(&value_)) {
    object->setReceiveTime(time);
  } else {
    ownCustom().setReceiveTime(time);
  }
}

std::vector<std::uint8_t> DatagramObject::data() const {
  return oscObject() ? oscObject()->data() : custom()->data();
}

std::size_t DatagramObject::footprint() const {
  if (const OSCObject* object = oscObject()) return object->footprint() - sizeof(OSCObject) + sizeof(DatagramObject);
  return sizeof(DatagramObject) + custom()->footprint();
}

std::string DatagramObject::description() const {
  return oscObject() ? oscObject()->description() : custom()->description();
}

}  // namespace osc
