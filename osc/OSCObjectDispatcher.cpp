#include "osc/OSCObjectDispatcher.h"

#include <algorithm>
#include <utility>

namespace osc {

std::shared_ptr<OSCObjectDispatcher> OSCObjectDispatcher::make(std::weak_ptr<DispatchQueue> queue) {
  return std::make_shared<OSCObjectDispatcher>(Passkey{}, std::move(queue));
}

bool OSCObjectDispatcher::anyMatches(const std::vector<DispatchObject>& list, const OSCAddress& address) {
  return std::any_of(list.begin(), list.end(),
                     [&](const DispatchObject& entry) { return entry.addressPattern.matches(address); });
}

void OSCObjectDispatcher::submit(Change change, const OSCMessage* message) {
  const auto queue = queue_.lock();
  if (!queue) return;
  {
    std::lock_guard lock(mutex_);
    if (change) {
      ++waitingChanges_;
      waiting_.push_back(Work{std::move(change), std::nullopt});
    } else if (waitingChanges_ > 0 || anyMatches(*dispatchObjects_, message->address())) {
      waiting_.push_back(Work{nullptr, *message});
    } else {
      return;  // no handler would be called
    }
    if (drainAsked_) return;  // the drain asked for takes this one too
    drainAsked_ = true;
  }
  queue->async([self = shared_from_this()] { self->drain(); });
}

void OSCObjectDispatcher::drain() {
  for (;;) {
    // Declared before the lock: a replaced list and a change's entries are released after it.
    Work work;
    List list;
    {
      std::lock_guard lock(mutex_);
      if (waiting_.empty()) {
        drainAsked_ = false;
        return;
      }
      work = std::move(waiting_.front());
      waiting_.pop_front();
      if (work.change) {
        // A change only copies and edits the list: it may run under the lock.
        list = std::exchange(dispatchObjects_, work.change(dispatchObjects_));
        --waitingChanges_;
        continue;
      }
      list = dispatchObjects_;
    }
    const OSCMessage& message = *work.message;
    for (const DispatchObject& entry : *list) {
      if (!entry.addressPattern.matches(message.address())) continue;
      try {
        entry.callback(entry.addressPattern, message);
      } catch (...) {
        // A failing handler does not keep the message from the others.
      }
    }
  }
}

void OSCObjectDispatcher::change(Change change) { submit(std::move(change), nullptr); }

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

void OSCObjectDispatcher::dispatch(const OSCMessage& message) { submit(nullptr, &message); }

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
  if (queue_.expired()) return false;
  List list;
  std::lock_guard lock(mutex_);
  // The list as it will be once the waiting changes have run (they are pure functions of it).
  list = dispatchObjects_;
  for (const Work& work : waiting_) {
    if (work.change) list = work.change(list);
  }
  return anyMatches(*list, message.address());
}

}  // namespace osc
