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

void PresetSegmentHandler::add(PresetSegment segment) {
  queue_->async([weak = weak_from_this(), segment = std::move(segment)]() mutable {
    if (auto self = weak.lock()) {
      self->store(std::move(segment));
      self->checkCompleteness();
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
  const auto device = segments_.find(clientUid);
  if (device == segments_.end()) return;
  const auto preset = device->second.find(presetName);
  if (preset == device->second.end()) return;
  std::size_t freed = 0;
  for (const auto& segment : preset->second) freed += segment.bytes.size() + segmentBookkeepingBytes;
  device->second.erase(preset);
  auto& pending = pendingBytes_[clientUid];
  pending -= std::min(pending, freed);
  if (device->second.empty()) {
    segments_.erase(device);
    pendingBytes_.erase(clientUid);
  }
}

void PresetSegmentHandler::store(PresetSegment segment) {
  const std::size_t cost = segment.bytes.size() + segmentBookkeepingBytes;
  auto& pending = pendingBytes_[segment.clientUid];
  if (pending + cost > limits_.maxPendingBytes) {
    TALLYLOG_WARNING("dropping " + segment.description() + ": more than " +
                     std::to_string(limits_.maxPendingBytes) + " bytes of segments pending for the device");
    if (pending == 0) pendingBytes_.erase(segment.clientUid);
    return;
  }
  pending += cost;
  auto& list = segments_[segment.clientUid][segment.presetName];
  list.push_back(std::move(segment));
}

void PresetSegmentHandler::checkCompleteness() {
  std::vector<std::pair<std::string, std::string>> broken;  // removed after the walk
  std::vector<PresetContainer> complete;
  for (const auto& [clientUid, presets] : segments_) {
    for (const auto& [presetName, list] : presets) {
      if (static_cast<std::int64_t>(list.size()) != list.front().totalCount) continue;
      std::vector<const PresetSegment*> sorted;
      sorted.reserve(list.size());
      for (const auto& segment : list) sorted.push_back(&segment);
      std::stable_sort(sorted.begin(), sorted.end(), [](auto* x, auto* y) { return x->index < y->index; });

      std::vector<std::uint8_t> joined;
      bool inOrder = true;
      for (std::size_t position = 0; position < sorted.size(); ++position) {
        if (sorted[position]->index != static_cast<std::int64_t>(position)) {
          TALLYLOG_WARNING("some segments were not received in order properly");
          inOrder = false;
          continue;
        }
        joined.insert(joined.end(), sorted[position]->bytes.begin(), sorted[position]->bytes.end());
      }
      if (!inOrder) {
        // A set with a missing or doubled segment is incomplete: publishing the rest would pass a
        // truncated preset off as whole.
        broken.emplace_back(presetName, clientUid);
        continue;
      }
      if (gzip::isZlibCompressed(joined)) {
        try {
          joined = gzip::gunzipped(joined, 0, limits_.inflateLimit);
        } catch (const gzip::GzipError&) {
          TALLYLOG_WARNING("could not create preset data");
          continue;
        }
      }
      complete.push_back({PresetData(std::move(joined)), presetName, clientUid});
    }
  }
  for (const auto& [presetName, clientUid] : broken) removeSegments(presetName, clientUid);
  for (const auto& container : complete) publish(container);
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
