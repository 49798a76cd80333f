#pragma once
// MergeAsyncSequence<P> (two sources) and Merge3AsyncSequence<P> (three), all of one sequence
// type: every element of every source as soon as it is produced. makeAsyncIterator() starts a
// producer task that runs one child task per source, each draining a fresh iterator of its source
// into an unbounded stream; the iterator reads that stream. Within a source the order is kept;
// between sources elements come in arrival order.
// The children are awaited in source order: the first that fails decides the error (the stream
// is finished with it at once, and the later children are cancelled and awaited); when all end
// normally the stream ends. Releasing the iterator, or cancelling the task waiting in its next(),
// ends the stream, whose termination cancels the producer and every child (awaiting a child does
// not pass cancellation on). No back-pressure: the buffer takes any backlog.

#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "async/AsyncSequence.h"
#include "async/AsyncStream.h"

namespace async {

namespace detail {

template <class Source, class Continuation>
asio::awaitable<void> forwardInto(Source source, Continuation continuation) {
  auto iterator = source.makeAsyncIterator();
  while (auto element = co_await iterator.next()) continuation.yield(std::move(*element));
}

template <class Source, class Continuation>
asio::awaitable<void> mergeProducer(std::vector<Source> sources, Continuation continuation) {
  std::vector<TaskHandle<void>> children;
  for (auto& source : sources) children.push_back(spawn(forwardInto(source, continuation)));
  auto cancelChildren = [children](Termination) {
    for (const auto& child : children) child.cancel();
  };
  continuation.setOnTermination(cancelChildren);
  std::exception_ptr error;
  for (const auto& child : children) {
    if (error) child.cancel();
    co_await child.wait();
    if (!error && (error = child.core()->error())) continuation.finish(error);
  }
  if (!error) continuation.finish();
}

template <AsyncSequence P>
class BasicMergeAsyncSequence {
 public:
  using Element = ElementOf<P>;

  class Iterator {
   public:
    using Element = BasicMergeAsyncSequence::Element;
    asio::awaitable<std::optional<Element>> next() { return iterator_.next(); }

   private:
    friend class BasicMergeAsyncSequence;
    explicit Iterator(typename AsyncThrowingStream<Element>::Iterator iterator)
        : iterator_(std::move(iterator)) {}
    typename AsyncThrowingStream<Element>::Iterator iterator_;
  };

  explicit BasicMergeAsyncSequence(std::vector<P> sources) : sources_(std::move(sources)) {}

  Iterator makeAsyncIterator() const {
    using Continuation = typename AsyncThrowingStream<Element>::Continuation;
    auto producer = [sources = sources_](Continuation continuation) {
      return mergeProducer(sources, std::move(continuation));
    };
    auto stream = AsyncThrowingStream<Element>::withProducer(BufferingPolicy::unbounded(),
                                                             std::move(producer));
    return Iterator(stream.makeAsyncIterator());
  }

 private:
  std::vector<P> sources_;
};

}  // namespace detail

template <AsyncSequence P>
class MergeAsyncSequence : public detail::BasicMergeAsyncSequence<P> {
 public:
  MergeAsyncSequence(P p, P q) : detail::BasicMergeAsyncSequence<P>({std::move(p), std::move(q)}) {}
};

template <AsyncSequence P>
class Merge3AsyncSequence : public detail::BasicMergeAsyncSequence<P> {
 public:
  Merge3AsyncSequence(P p, P q, P r)
      : detail::BasicMergeAsyncSequence<P>({std::move(p), std::move(q), std::move(r)}) {}
};

template <AsyncSequence P>
MergeAsyncSequence<P> merge(P p, P q) {
  return MergeAsyncSequence<P>(std::move(p), std::move(q));
}

template <AsyncSequence P>
Merge3AsyncSequence<P> merge(P p, P q, P r) {
  return Merge3AsyncSequence<P>(std::move(p), std::move(q), std::move(r));
}

}  // namespace async
