#include "osc/DatagramObject.h"

namespace osc {

CustomDatagramObject& DatagramObject::ownCustom() {
  auto& shared = std::get<1>(value_);
  if (shared.use_count() != 1) shared = std::shared_ptr<CustomDatagramObject>(shared->clone());
  return *shared;
}

std::vector<std::uint8_t> DatagramObject::data() const {
  return oscObject() ? oscObject()->data() : custom()->data();
}

std::string DatagramObject::description() const {
  return oscObject() ? oscObject()->description() : custom()->description();
}

}  // namespace osc
