#include "osc/OSCObjectDispatcher.h"

#include <algorithm>
#include <utility>

namespace osc {

std::shared_ptr<OSCObjectDispatcher> OSCObjectDispatcher::make(std::weak_ptr<DispatchQueue> queue) {
  return std::make_shared<OSCObjectDispatcher>(Passkey{}, std::move(queue));
}

void OSCObjectDispatcher::change(std::function<List(const List&)> change) {
  const auto queue = queue_.lock();
  if (!queue) return;
  queue->async([self = shared_from_this(), change = std::move(change)] {
    self->dispatchObjects_ = change(self->dispatchObjects_);
  });
}

void OSCObjectDispatcher::register_(OSCAddressPattern addressPattern, Callback callback) {
  change([entry = DispatchObject{std::move(addressPattern), std::move(callback)}](const List& list) {
    auto next = std::make_shared<std::vector<DispatchObject>>(*list);
    next->push_back(entry);
    return next;
  });
}

void OSCObjectDispatcher::remove(OSCAddressPattern addressPattern) {
  change([addressPattern = std::move(addressPattern)](const List& list) {
    auto next = std::make_shared<std::vector<DispatchObject>>(*list);
    std::erase_if(*next, [&](const DispatchObject& entry) { return entry.addressPattern == addressPattern; });
    return next;
  });
}

void OSCObjectDispatcher::dispatch(const OSCMessage& message) {
  const auto queue = queue_.lock();
  if (!queue) return;
  queue->async([self = shared_from_this(), message] {
    const List list = self->dispatchObjects_;
    for (const DispatchObject& entry : *list) {
      if (!entry.addressPattern.matches(message.address())) continue;
      try {
        entry.callback(entry.addressPattern, message);
      } catch (...) {
        // A failing handler does not keep the message from the others.
      }
    }
  });
}

void OSCObjectDispatcher::dispatch(const OSCBundle& bundle) {
  // Depth is bounded: received bundles are at most OSCBundle::maximumNestingDepth levels deep.
  for (const OSCObject& element : bundle.elements()) dispatch(element);
}

void OSCObjectDispatcher::dispatch(const OSCObject& object) {
  if (const OSCMessage* message = object.message()) {
    dispatch(*message);
  } else if (const OSCBundle* bundle = object.bundle()) {
    dispatch(*bundle);
  }
}

bool OSCObjectDispatcher::lookup(const OSCMessage& message) const {
  const auto queue = queue_.lock();
  if (!queue) return false;
  return queue->sync([this, &message] {
    return std::any_of(dispatchObjects_->begin(), dispatchObjects_->end(),
                       [&](const DispatchObject& entry) { return entry.addressPattern.matches(message.address()); });
  });
}

}  // namespace osc
