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
// Outside input is bounded, whatever uids and names the senders write: the segments handed to the
// queue and not yet stored take at most maxQueuedBytes, the stored sets that nobody waited for
// when they began take at most maxPendingBytes together, and each set that was waited for at most
// maxPendingBytes of its own (each counting its bytes and names plus a fixed bookkeeping share),
// so that no flood of other names or uids crowds out a requested preset. A segment beyond a bound
// is dropped with a warning. Joined data inflates to at most inflateLimit bytes.
//
// A set is joined, inflated and published once, by the segment that completes it. The set then
// stays, without its bytes, until the client removes it (discardSegments or removeSegments): a
// later segment for it makes it overfull, so it never completes again; a wait registered after
// the completion does not see it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
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
  std::size_t maxPendingBytes = 16 * 1024 * 1024;  // stored segments of all devices together
  std::size_t inflateLimit = gzip::defaultInflateLimit;
  std::size_t maxQueuedBytes = 8 * 1024 * 1024;    // segments handed to the queue, not yet stored
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
  // What a stored segment, a stored set and a queued segment cost besides their bytes and names.
  static constexpr std::size_t segmentBookkeepingBytes = 64;
  static constexpr std::size_t setBookkeepingBytes = 192;
  static constexpr std::size_t queuedBookkeepingBytes = 256;

  static std::shared_ptr<PresetSegmentHandler> make(Limits limits = Limits());
  PresetSegmentHandler(Passkey, Limits limits);
  PresetSegmentHandler(const PresetSegmentHandler&) = delete;
  PresetSegmentHandler& operator=(const PresetSegmentHandler&) = delete;
  // Ends every registered wait (they throw incompleteReceive).
  ~PresetSegmentHandler();

  // The serial queue "PresetSegmentHandler" on which segments live.
  const osc::DispatchQueue& queue() const { return *queue_; }

  // Stores the segment on the queue and publishes its set when the segment completes it. Any thread.
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

  struct Key {
    std::string clientUid;
    std::string presetName;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept;
  };
  struct Piece {
    std::int64_t index = 0;
    std::vector<std::uint8_t> bytes;
  };
  // The segments of one preset of one device in order of arrival, until the set completes.
  struct Set {
    std::int64_t expected = 0;  // the count the first segment gave
    std::vector<Piece> pieces;
    std::size_t cost = 0;       // bytes it holds by the bookkeeping of the limits
    bool waited = false;        // a wait was registered for it when it began: its own allowance
    bool completed = false;     // joined and published (or found broken); holds no pieces
  };
  // Counts the segments dropped in a row, so that a flood of them logs two lines, not one each.
  class DropRun {
   public:
    // Whether the segment is taken (`fits`). Logs the first drop of a run and the length of the run
    // that a taken segment ends; `state` names what exceeded `limit`.
    bool admit(bool fits, const PresetSegment& segment, std::size_t limit, const char* state);

   private:
    std::atomic<std::uint64_t> count_{0};
  };

  void store(PresetSegment segment);  // on queue
  void complete(const Key& key, Set& set);  // on queue
  bool isWaitedFor(const Key& key);
  void publish(const PresetContainer& container);
  void unregister(std::uint64_t key);

  const Limits limits_;
  std::shared_ptr<osc::DispatchQueue> queue_;
  std::unordered_map<Key, Set, KeyHash> sets_;  // only on queue_
  std::size_t pendingBytes_ = 0;                // of the sets not waited for; only on queue_
  DropRun storeDrops_;                          // only on queue_
  std::atomic<std::size_t> queuedBytes_{0};
  DropRun queueDrops_;

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
