#pragma once
// PresetSegmentHandler: gathers the segments of presets that devices send, keyed by device uid and
// preset name, joins a complete set in index order, inflates it when it is zlib data, and hands the
// result to every wait registered for that name and device at that moment.
//
// Ownership and threads: each device client owns one through std::shared_ptr (make()). Segments
// are stored, joined and removed only on the handler's serial queue(); add() and discardSegments()
// hand their work to it and return at once, from any thread. Queued work holds the handler weakly.
//
// Waiting: waitForPreset() registers a PresetWait before it returns (no task involved), so a client
// registers first and then sends its request; every container published for the key after that
// reaches the wait, also while nobody is awaiting it. Each wait has its own unbounded stream.
// Releasing the handler ends every wait with incompleteReceive.
//
// Outside input is bounded: at most maxPendingBytes of segments per device are kept (each segment
// counting its bytes plus segmentBookkeepingBytes); a segment beyond that is dropped with a
// warning. Joined data inflates to at most inflateLimit bytes.
//
// A complete set stays stored after it was published and is joined and published again by every
// later segment, until the client removes it (discardSegments or removeSegments).

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "async/AsyncStream.h"
#include "device/Presets/PresetData.h"
#include "device/Presets/PresetSegment.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "osc/DispatchQueue.h"
#include "osc/OSCMessage.h"

namespace device {

class PresetWait;

// Bounds on what devices can make a segment handler hold.
struct PresetSegmentLimits {
  std::size_t maxPendingBytes = 16 * 1024 * 1024;  // stored segments per device
  std::size_t inflateLimit = gzip::defaultInflateLimit;
};

class PresetSegmentHandler : public std::enable_shared_from_this<PresetSegmentHandler> {
  struct Passkey {};

 public:
  struct PresetContainer {
    PresetData data;  // joined and, where needed, inflated
    std::string presetName;
    std::string clientUid;
  };

  using Limits = PresetSegmentLimits;
  static constexpr std::size_t segmentBookkeepingBytes = 64;

  static std::shared_ptr<PresetSegmentHandler> make(Limits limits = Limits());
  PresetSegmentHandler(Passkey, Limits limits);
  PresetSegmentHandler(const PresetSegmentHandler&) = delete;
  PresetSegmentHandler& operator=(const PresetSegmentHandler&) = delete;
  // Ends every registered wait (they throw incompleteReceive).
  ~PresetSegmentHandler();

  // The serial queue "PresetSegmentHandler" on which segments live.
  const osc::DispatchQueue& queue() const { return *queue_; }

  // Stores the segment on the queue, then checks every stored set for completeness. Any thread.
  void add(PresetSegment segment);
  // A "/VELTOapp/control/PresetSeg" message as received: added as a segment stamped with its
  // receive time (now when it has none). False, and nothing added, for a message of another shape.
  bool add(const osc::OSCMessage& message);

  // Schedules removeSegments on the queue and returns at once. Any thread.
  void discardSegments(std::string presetName, std::string clientUid);
  // Removes the segments of one preset of one device (and the device's entry when it becomes
  // empty); an unknown key changes nothing. Only from a block running on queue().
  void removeSegments(const std::string& presetName, const std::string& clientUid);

  // Registers a wait for the next preset named `presetName` (without extension) from the device
  // `clientUid` (exact text). Any thread; registered before it returns.
  PresetWait waitForPreset(std::string presetName, std::string clientUid);

 private:
  friend class PresetWait;
  using Stream = async::AsyncThrowingStream<PresetContainer>;
  struct Waiter {
    std::string presetName;
    std::string clientUid;
    Stream::Continuation continuation;
  };

  void store(PresetSegment segment);   // on queue
  void checkCompleteness();            // on queue
  void publish(const PresetContainer& container);
  void unregister(std::uint64_t key);

  const Limits limits_;
  std::shared_ptr<osc::DispatchQueue> queue_;
  // device uid -> preset name -> segments in order of arrival; only on queue_.
  std::map<std::string, std::map<std::string, std::vector<PresetSegment>>> segments_;
  std::map<std::string, std::size_t> pendingBytes_;  // per device uid; only on queue_

  std::mutex waitersMutex_;
  std::uint64_t nextWaiterKey_ = 0;
  std::map<std::uint64_t, Waiter> waiters_;
};

// A registered wait for one preset from one device (see PresetSegmentHandler::waitForPreset).
// Dropping it unregisters it. Awaited by one task at a time. A wait that was cancelled or timed out
// has ended for good; make a new one per request.
class PresetWait {
 public:
  // The data of the next container published for the key. Throws CancellationError when the
  // awaiting task is cancelled, PresetSegmentHandlerError::incompleteReceive when the handler is
  // released first.
  boost::asio::awaitable<PresetData> value() const;
  // As value(), bounded: throws PresetSegmentHandlerError::timeout when `timeoutNanoseconds`
  // pass first. Call from a task made by async::spawn.
  boost::asio::awaitable<PresetData> value(std::uint64_t timeoutNanoseconds) const;

  struct State;  // internal to the library

 private:
  friend class PresetSegmentHandler;
  explicit PresetWait(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::shared_ptr<State> state_;
};

}  // namespace device
