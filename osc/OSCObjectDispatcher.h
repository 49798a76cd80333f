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
// Cost: the operations wait in a list of the dispatcher's own, and one block on the queue works
// through everything that has arrived by the time it runs, so a burst of messages wakes the queue
// once. A block submitted to the queue after an operation still runs after that operation's work.
// A message that no handler matches, while no change waits, is dropped at once without waking
// the queue.
//
// Owned through std::shared_ptr (make()); each queued block keeps the dispatcher alive until it
// has run.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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
  // Whether a registered pattern matches the message's address, counting every register_ and
  // remove called before (applied or still waiting). Does not wait for the queue.
  bool lookup(const OSCMessage& message) const;

 private:
  using List = std::shared_ptr<const std::vector<DispatchObject>>;
  using Change = std::function<List(const List&)>;
  // One waiting operation: a change of the handlers (a pure function of the list) or a message.
  struct Work {
    Change change;
    std::optional<OSCMessage> message;
  };

  // Runs `change` on the queue with the current list; the list it gives replaces it.
  void change(Change change);
  // Appends a change, or a message some handler may take; asks the queue for a drain unless one
  // is asked for already.
  void submit(Change change, const OSCMessage* message);
  // On the queue: works through the waiting list until it is empty.
  void drain();
  static bool anyMatches(const std::vector<DispatchObject>& list, const OSCAddress& address);

  std::weak_ptr<DispatchQueue> queue_;
  mutable std::mutex mutex_;
  std::deque<Work> waiting_;
  std::size_t waitingChanges_ = 0;
  bool drainAsked_ = false;
  // Replaced as a whole, on the queue and under the lock, so a delivery keeps its own list.
  List dispatchObjects_ = std::make_shared<const std::vector<DispatchObject>>();
};

}  // namespace osc
