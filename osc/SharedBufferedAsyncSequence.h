#pragma once
// SharedBufferedAsyncSequence<Base>: any number of readers follow one base sequence at the same
// time, and each new reader first gets a replay of the newest `capacity` elements, oldest first.
// A replay may also be bounded by bytes (a Bound with a measure of each element): then it keeps
// only as many of the newest elements as fit into `bytes`; an element larger than that alone is
// delivered live but left out of the replay, which keeps what it had.
// The base is read by one pump task, started at construction, so the replay fills while nobody
// reads. Each makeAsyncIterator() opens an independent, unbounded subscription, registered before
// it returns; reading never consumes anything for other readers.
//
// Exactly once: registration with its replay, and each delivery with its append to the replay,
// are each one critical section under the manager's one lock, so a reader gets every element
// either from the replay or live, never both and never neither. A reader that comes after the base
// has ended gets the replay and then the same end (normal or the base's error).
//
// A reader may bring a filter (makeAsyncIterator(filter)): the elements it rejects, replayed or
// live, are passed over before they are copied, so a wait for answers after a given time is not
// handed the whole replay. The filter runs under the manager's lock: cheap, no throw, no call out.
//
// A one-shot watcher (fed sequences only) is offered the replay, oldest first, then each element
// as it is delivered, until it takes one; after the end it is offered the end instead. It saves a
// subscription, a stream and a task for a wait that wants only one element. Offers run under the
// manager's locks: cheap, no throw, no call out (posting a completion is fine).
//
// Fed directly (fed()): no base and no pump; the producer's Feed delivers each element to the
// readers and the replay on its own thread, in order (one thread at a time), and ends the sequence.
//
// Copies share one manager; when the last copy and the last reader are gone, the pump is
// cancelled. Any thread may call makeAsyncIterator().

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "async/AsyncSequence.h"
#include "async/SubSequenceManager.h"

namespace osc {

// How much a replay keeps: at most `elements` elements and, with a measure, at most `bytes` bytes
// as `measure` counts them (called under the manager's lock: cheap, no throw).
template <class T>
struct ReplayBound {
  std::size_t elements;
  std::size_t bytes = SIZE_MAX;
  std::size_t (*measure)(const T&) = nullptr;
};

namespace detail {

// The manager's hooks keep the replay buffer; both run under the manager's lock.
template <class T>
class ReplayingSubSequenceManager : public async::SubSequenceManager<T> {
  using Continuation = typename async::SubSequenceManager<T>::Continuation;
  using Filter = typename async::SubSequenceManager<T>::Filter;

 public:
  template <class Base>
  ReplayingSubSequenceManager(Base base, ReplayBound<T> bound)
      : async::SubSequenceManager<T>(std::move(base)), bound_(bound) {}
  explicit ReplayingSubSequenceManager(ReplayBound<T> bound) : bound_(bound) {}

  // Called with an element (then `end` is null) or, once the sequence is over, with no element and
  // the end's error (null: a normal end); true when the watcher is done.
  using Watcher = std::function<bool(const T* element, const std::exception_ptr& end)>;

  // Offers the replay, then (if the watcher is not done) the end when it is over already, or
  // registers it for the live elements. The key for unwatch().
  std::uint64_t watch(Watcher watcher) {
    std::lock_guard lock(watchMutex_);
    for (const Entry& entry : buffer_) {
      if (watcher(&entry.element, nullptr)) return 0;
    }
    if (over_) {
      watcher(nullptr, outcome_);
      return 0;
    }
    const std::uint64_t key = ++lastKey_;
    watchers_.emplace_back(key, std::move(watcher));
    return key;
  }
  // Removes a watcher that is not done yet; any thread.
  void unwatch(std::uint64_t key) {
    std::lock_guard lock(watchMutex_);
    std::erase_if(watchers_, [key](const auto& entry) { return entry.first == key; });
  }
  // The end of a fed sequence, for the watchers (after the readers have been ended).
  void endWatchers(std::exception_ptr outcome) {
    std::lock_guard lock(watchMutex_);
    if (over_) return;
    over_ = true;
    outcome_ = outcome;
    for (auto& entry : watchers_) entry.second(nullptr, outcome_);
    watchers_.clear();
  }

 private:
  struct Entry {
    T element;
    std::size_t bytes;
  };

  void willRegister(const Continuation& continuation, const Filter& filter) override {
    std::lock_guard lock(watchMutex_);
    for (const Entry& entry : buffer_) {
      if (!filter || filter(entry.element)) continuation.yield(entry.element);
    }
  }
  void didDeliver(const T& element) override {
    std::lock_guard lock(watchMutex_);
    std::erase_if(watchers_, [&element](auto& entry) { return entry.second(&element, nullptr); });
    const std::size_t bytes = bound_.measure ? bound_.measure(element) : 0;
    // Too large to replay at all: only this element is left out; what came before stays replayable.
    if (bytes > bound_.bytes) return;
    while (!buffer_.empty() && (buffer_.size() == bound_.elements || bytes > bound_.bytes - bytes_)) {
      bytes_ -= buffer_.front().bytes;
      buffer_.pop_front();
    }
    buffer_.push_back(Entry{element, bytes});
    bytes_ += bytes;
  }

  const ReplayBound<T> bound_;
  // Guards the replay and the watchers; taken inside the manager's lock by the hooks, alone by
  // watch(), so a watcher gets each element once, replayed or live.
  std::mutex watchMutex_;
  std::deque<Entry> buffer_;  // oldest first
  std::size_t bytes_ = 0;     // the sum of the entries' bytes
  std::vector<std::pair<std::uint64_t, Watcher>> watchers_;
  std::uint64_t lastKey_ = 0;
  bool over_ = false;
  std::exception_ptr outcome_;
};

}  // namespace detail

template <async::AsyncSequence Base>
class SharedBufferedAsyncSequence {
 public:
  using Element = async::ElementOf<Base>;
  using Iterator = typename async::AsyncThrowingStream<Element>::Iterator;
  using Filter = typename async::SubSequenceManager<Element>::Filter;

 private:
  using Manager = detail::ReplayingSubSequenceManager<Element>;

 public:
  // The producer's side of a sequence fed directly; copyable. Ending it more than once, or yielding
  // after the end, does nothing.
  class Feed {
   public:
    void yield(const Element& element) const { manager_->deliver(element); }
    void finish() const { finish(nullptr); }
    void finish(std::exception_ptr error) const {
      manager_->end(error);
      manager_->endWatchers(std::move(error));
    }

   private:
    friend class SharedBufferedAsyncSequence;
    explicit Feed(std::shared_ptr<Manager> manager) : manager_(std::move(manager)) {}
    std::shared_ptr<Manager> manager_;
  };

  using Bound = ReplayBound<Element>;

  // `capacity` must be at least 1.
  SharedBufferedAsyncSequence(Base base, std::size_t capacity)
      : manager_(makeManager(std::move(base), Bound{capacity})) {}

  // A sequence without base, and the feed that delivers into it. `bound.elements` must be at least 1.
  static std::pair<SharedBufferedAsyncSequence, Feed> fed(Bound bound) {
    checked(bound);
    auto manager = std::make_shared<Manager>(bound);
    return {SharedBufferedAsyncSequence(manager), Feed(manager)};
  }
  static std::pair<SharedBufferedAsyncSequence, Feed> fed(std::size_t capacity) { return fed(Bound{capacity}); }

  Iterator makeAsyncIterator() const { return manager_->subscribe(); }
  // Only the elements that `filter` takes, from the replay and live.
  Iterator makeAsyncIterator(Filter filter) const { return manager_->subscribe(std::move(filter)); }

  // One-shot watchers of a fed sequence (see above); unwatch() is safe after the watcher is done.
  using Watcher = typename Manager::Watcher;
  std::uint64_t watch(Watcher watcher) const { return manager_->watch(std::move(watcher)); }
  void unwatch(std::uint64_t key) const { manager_->unwatch(key); }

 private:
  explicit SharedBufferedAsyncSequence(std::shared_ptr<Manager> manager) : manager_(std::move(manager)) {}

  static void checked(const Bound& bound) {
    if (bound.elements == 0) throw std::invalid_argument("SharedBufferedAsyncSequence: capacity 0");
  }
  static std::shared_ptr<Manager> makeManager(Base base, Bound bound) {
    checked(bound);
    auto manager = std::make_shared<Manager>(std::move(base), bound);
    manager->startPumping();
    return manager;
  }

  std::shared_ptr<Manager> manager_;
};

}  // namespace osc
