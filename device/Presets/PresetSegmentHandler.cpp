#include "device/Presets/PresetSegmentHandler.h"

#include <algorithm>
#include <chrono>

#include "device/Presets/PresetWaitState.h"
#include "gzip/Gzip.h"
#include "log/Tallylog.h"

namespace device {

std::shared_ptr<PresetSegmentHandler> PresetSegmentHandler::make(Limits limits) {
  return std::make_shared<PresetSegmentHandler>(Passkey{}, limits);
}

PresetSegmentHandler::PresetSegmentHandler(Passkey, Limits limits)
    : limits_(limits), queue_(osc::DispatchQueue::make("PresetSegmentHandler")) {}

PresetSegmentHandler::~PresetSegmentHandler() {
  std::map<std::uint64_t, Waiter> waiters;
  {
    std::lock_guard lock(waitersMutex_);
    waiters.swap(waiters_);
  }
  for (auto& entry : waiters) entry.second.continuation.finish();
}

std::size_t PresetSegmentHandler::KeyHash::operator()(const Key& key) const noexcept {
  const std::size_t uid = std::hash<std::string>()(key.clientUid);
  return uid ^ (std::hash<std::string>()(key.presetName) + 0x9e3779b97f4a7c15ULL + (uid << 6) + (uid >> 2));
}

bool PresetSegmentHandler::DropRun::admit(bool fits, const PresetSegment& segment, std::size_t limit,
                                          const char* state) {
  if (!fits) {
    if (count_.fetch_add(1, std::memory_order_relaxed) == 0) {
      TALLYLOG_WARNING("dropping " + segment.description() + " and what follows it: more than " +
                       std::to_string(limit) + " bytes of segments " + state);
    }
    return false;
  }
  if (count_.load(std::memory_order_relaxed) != 0) {
    if (const auto run = count_.exchange(0, std::memory_order_relaxed)) {
      TALLYLOG_WARNING("dropped " + std::to_string(run) + " segments while more than " + std::to_string(limit) +
                       " bytes of segments were " + state);
    }
  }
  return true;
}

void PresetSegmentHandler::add(PresetSegment segment) {
  const std::size_t cost = segment.bytes.size() + segment.presetName.size() + segment.clientName.size() +
                           segment.clientUid.size() + queuedBookkeepingBytes;
  const bool fits = queuedBytes_.fetch_add(cost) + cost <= limits_.maxQueuedBytes;
  if (!queueDrops_.admit(fits, segment, limits_.maxQueuedBytes, "waiting to be stored")) {
    queuedBytes_.fetch_sub(cost);
    return;
  }
  queue_->async([weak = weak_from_this(), cost, segment = std::move(segment)]() mutable {
    if (auto self = weak.lock()) {
      self->store(std::move(segment));
      self->queuedBytes_.fetch_sub(cost);
    }
  });
}

bool PresetSegmentHandler::add(const osc::OSCMessage& message) {
  auto decoded = PresetSegMessage::make(message);
  if (!decoded) return false;
  add(PresetSegment::fromMessage(*decoded, message.receiveTime().value_or(std::chrono::steady_clock::now())));
  return true;
}

void PresetSegmentHandler::discardSegments(std::string presetName, std::string clientUid) {
  queue_->async([weak = weak_from_this(), presetName = std::move(presetName), clientUid = std::move(clientUid)] {
    if (auto self = weak.lock()) self->removeSegments(presetName, clientUid);
  });
}

void PresetSegmentHandler::removeSegments(const std::string& presetName, const std::string& clientUid) {
  const auto found = sets_.find(Key{clientUid, presetName});
  if (found == sets_.end()) return;
  if (!found->second.waited) pendingBytes_ -= found->second.cost;
  sets_.erase(found);
}

void PresetSegmentHandler::store(PresetSegment segment) {
  Key key{segment.clientUid, segment.presetName};
  auto found = sets_.find(key);
  // A set that has completed, or whose first segment gave no count, never completes (again): a
  // further segment for it is not kept.
  const bool fresh = found == sets_.end();
  const bool kept = fresh ? segment.totalCount > 0 : !found->second.completed;
  std::size_t cost = kept ? segment.bytes.size() + segmentBookkeepingBytes : 0;
  if (fresh) cost += key.clientUid.size() + key.presetName.size() + setBookkeepingBytes;
  // A set somebody waits for has an allowance of its own: sets nobody asked for, whatever their
  // number, cannot crowd out the one a client requested.
  const bool waited = fresh ? isWaitedFor(key) : found->second.waited;
  const bool fits = (waited ? (fresh ? 0 : found->second.cost) : pendingBytes_) + cost <= limits_.maxPendingBytes;
  if (!storeDrops_.admit(fits, segment, limits_.maxPendingBytes, "pending")) return;
  if (fresh) {
    found = sets_.emplace(std::move(key), Set{segment.totalCount, {}, 0, waited, false}).first;
  }
  Set& set = found->second;
  if (!set.waited) pendingBytes_ += cost;
  set.cost += cost;
  if (!kept) return;
  set.pieces.push_back({segment.index, std::move(segment.bytes)});
  if (static_cast<std::int64_t>(set.pieces.size()) == set.expected) complete(found->first, set);
}

void PresetSegmentHandler::complete(const Key& key, Set& set) {
  std::vector<Piece> pieces = std::move(set.pieces);
  set.pieces = {};
  set.completed = true;
  std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& x, const Piece& y) { return x.index < y.index; });
  std::size_t size = 0;
  for (const Piece& piece : pieces) size += piece.bytes.size();
  std::vector<std::uint8_t> joined;
  bool inOrder = true;
  for (std::size_t position = 0; position < pieces.size(); ++position) {
    if (pieces[position].index != static_cast<std::int64_t>(position)) {
      TALLYLOG_WARNING("some segments were not received in order properly");
      inOrder = false;
      continue;
    }
    if (inOrder) {
      if (joined.empty()) joined.reserve(size);
      joined.insert(joined.end(), pieces[position].bytes.begin(), pieces[position].bytes.end());
    }
    pieces[position].bytes = {};
  }
  pieces = {};
  // The set keeps only its key and its count now.
  const std::size_t held = key.clientUid.size() + key.presetName.size() + setBookkeepingBytes;
  if (!set.waited) pendingBytes_ -= set.cost - held;
  set.cost = held;
  if (!inOrder) {
    // A set with a missing or doubled segment is incomplete: publishing the rest would pass a
    // truncated preset off as whole.
    removeSegments(key.presetName, key.clientUid);  // invalidates key and set
    return;
  }
  if (gzip::isZlibCompressed(joined)) {
    try {
      joined = gzip::gunzipped(joined, 0, limits_.inflateLimit);
    } catch (const gzip::GzipError&) {
      TALLYLOG_WARNING("could not create preset data");
      return;
    }
  }
  publish({PresetData(std::move(joined)), key.presetName, key.clientUid});
}

bool PresetSegmentHandler::isWaitedFor(const Key& key) {
  std::lock_guard lock(waitersMutex_);
  return std::any_of(waiters_.begin(), waiters_.end(), [&key](const auto& entry) {
    return entry.second.presetName == key.presetName && entry.second.clientUid == key.clientUid;
  });
}

void PresetSegmentHandler::publish(const PresetContainer& container) {
  std::vector<Stream::Continuation> matching;
  {
    std::lock_guard lock(waitersMutex_);
    for (const auto& [key, waiter] : waiters_) {
      if (waiter.presetName == container.presetName && waiter.clientUid == container.clientUid) {
        matching.push_back(waiter.continuation);
      }
    }
  }
  for (const auto& continuation : matching) continuation.yield(container);
}

void PresetSegmentHandler::unregister(std::uint64_t key) {
  std::lock_guard lock(waitersMutex_);
  waiters_.erase(key);
}

PresetWait PresetSegmentHandler::waitForPreset(std::string presetName, std::string clientUid) {
  auto [stream, continuation] = Stream::makeStream();
  std::uint64_t key = 0;
  {
    std::lock_guard lock(waitersMutex_);
    key = nextWaiterKey_++;
    waiters_.emplace(key, Waiter{std::move(presetName), std::move(clientUid), continuation});
  }
  // Runs once when the wait ends (dropped, cancelled, timed out or finished), on that thread.
  continuation.setOnTermination([weak = weak_from_this(), key](async::Termination) {
    if (auto self = weak.lock()) self->unregister(key);
  });
  return PresetWait(std::make_shared<PresetWait::State>(stream.makeAsyncIterator()));
}

}  // namespace device
