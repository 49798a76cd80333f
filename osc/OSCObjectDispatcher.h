#pragma once
// OSCObjectDispatcher: routes messages to handlers by address pattern. Every message handed in is
// delivered to every registered handler whose pattern matches its address, in registration order;
// bundles are taken apart depth first into their messages, each delivered on its own, time tags
// ignored.
//
// Threads: every operation returns at once and may be called from any thread; the work runs later
// on the queue given at construction, in the order of the calls. The queue must be serial. The
// dispatcher holds it weakly: once the queue is gone, every operation does nothing and lookup()
// answers false. Each delivery walks the handlers as they were when it started, so a handler
// registered or removed inside a callback counts from the next message on.
//
// Owned through std::shared_ptr (make()); each queued block keeps the dispatcher alive until it
// has run.

#include <functional>
#include <memory>
#include <vector>

#include "osc/DispatchQueue.h"
#include "osc/OSCAddressPattern.h"
#include "osc/OSCObject.h"

namespace osc {

class OSCObjectDispatcher : public std::enable_shared_from_this<OSCObjectDispatcher> {
  struct Passkey {};

 public:
  using Callback = std::function<void(const OSCAddressPattern&, const OSCMessage&)>;

  struct DispatchObject {
    OSCAddressPattern addressPattern;
    Callback callback;
  };

  static std::shared_ptr<OSCObjectDispatcher> make(std::weak_ptr<DispatchQueue> queue);
  OSCObjectDispatcher(Passkey, std::weak_ptr<DispatchQueue> queue) : queue_(std::move(queue)) {}

  // `register` is a C++ keyword.
  void register_(OSCAddressPattern addressPattern, Callback callback);
  // Removes every entry whose pattern equals `addressPattern`.
  void remove(OSCAddressPattern addressPattern);
  void dispatch(const OSCMessage& message);
  // Walks the bundle now, on the caller's thread; one queued delivery per message.
  void dispatch(const OSCBundle& bundle);
  void dispatch(const OSCObject& object);
  // Whether a registered pattern matches the message's address. Waits for the queue: never call it
  // from the queue itself or from a pool thread.
  bool lookup(const OSCMessage& message) const;

 private:
  using List = std::shared_ptr<const std::vector<DispatchObject>>;
  // Runs `change` on the queue with the current list; the list it gives replaces it.
  void change(std::function<List(const List&)> change);

  std::weak_ptr<DispatchQueue> queue_;
  // Read and replaced only on the queue; replaced as a whole, so a delivery keeps its own list.
  List dispatchObjects_ = std::make_shared<const std::vector<DispatchObject>>();
};

}  // namespace osc
