#pragma once
// SharedBufferedAsyncSequence<Base>: any number of readers follow one base sequence at the same
// time, and each new reader first gets a replay of the newest `capacity` elements, oldest first.
// A replay may also be bounded by bytes (a Bound with a measure of each element): then it keeps
// only as many of the newest elements as fit into `bytes`; an element larger than that alone is
// delivered live and empties the replay.
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
// Fed directly (fed()): no base and no pump; the producer's Feed delivers each element to the
// readers and the replay on its own thread, in order (one thread at a time), and ends the sequence.
//
// Copies share one manager; when the last copy and the last reader are gone, the pump is
// cancelled. Any thread may call makeAsyncIterator().

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <utility>

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

 private:
  struct Entry {
    T element;
    std::size_t bytes;
  };

  void willRegister(const Continuation& continuation, const Filter& filter) override {
    for (const Entry& entry : buffer_) {
      if (!filter || filter(entry.element)) continuation.yield(entry.element);
    }
  }
  void didDeliver(const T& element) override {
    const std::size_t bytes = bound_.measure ? bound_.measure(element) : 0;
    if (bytes > bound_.bytes) {  // too large to replay at all: the replay stays the newest that fit
      buffer_.clear();
      bytes_ = 0;
      return;
    }
    while (!buffer_.empty() && (buffer_.size() == bound_.elements || bytes > bound_.bytes - bytes_)) {
      bytes_ -= buffer_.front().bytes;
      buffer_.pop_front();
    }
    buffer_.push_back(Entry{element, bytes});
    bytes_ += bytes;
  }

  const ReplayBound<T> bound_;
  std::deque<Entry> buffer_;  // oldest first; guarded by the manager's lock
  std::size_t bytes_ = 0;     // the sum of the entries' bytes
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
    void finish() const { manager_->end(nullptr); }
    void finish(std::exception_ptr error) const { manager_->end(std::move(error)); }

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
