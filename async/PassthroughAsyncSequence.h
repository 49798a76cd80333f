#pragma once
// Subjects fed by their owner: PassthroughAsyncSequence<E> (elements, then the end) and
// ThrowingPassthroughAsyncSequence<E> (elements, then the end or an error). Each is a handle to
// one unbounded AsyncStream; copies share it, and send/finish may be called from any thread
// without blocking. Every makeAsyncIterator() is an iterator of that one stream (one buffer, one
// consumer at a time: each element reaches one next()). Sends after the finish are dropped.
// When the last copy of a subject goes, the stream is finished, so a reader drains what was sent
// and then sees the end instead of waiting for ever (iterators do not keep the subject open).

#include <exception>
#include <memory>
#include <utility>

#include "async/AsyncStream.h"

namespace async {

namespace detail {

// The stream of a subject and its continuation; finishes the stream when the last subject copy
// releases it.
template <class Stream>
struct SubjectStream {
  SubjectStream() : SubjectStream(Stream::makeStream(BufferingPolicy::unbounded())) {}
  explicit SubjectStream(std::pair<Stream, typename Stream::Continuation> made)
      : stream(std::move(made.first)), continuation(std::move(made.second)) {}
  SubjectStream(const SubjectStream&) = delete;
  SubjectStream& operator=(const SubjectStream&) = delete;
  ~SubjectStream() { continuation.finish(); }

  Stream stream;
  typename Stream::Continuation continuation;
};

}  // namespace detail

template <class E, bool Throwing>
class BasicPassthroughAsyncSequence {
  using Stream = BasicAsyncStream<E, Throwing>;

 public:
  using Element = E;
  using Iterator = typename Stream::Iterator;

  BasicPassthroughAsyncSequence() : shared_(std::make_shared<detail::SubjectStream<Stream>>()) {}

  void send(E element) const { shared_->continuation.yield(std::move(element)); }
  void finish() const { shared_->continuation.finish(); }
  void finish(std::exception_ptr error) const
    requires Throwing
  {
    shared_->continuation.finish(std::move(error));
  }
  void sendAndFinish(E element) const { shared_->continuation.yieldAndFinish(std::move(element)); }

  Iterator makeAsyncIterator() const { return shared_->stream.makeAsyncIterator(); }

 private:
  std::shared_ptr<detail::SubjectStream<Stream>> shared_;
};

template <class E>
using PassthroughAsyncSequence = BasicPassthroughAsyncSequence<E, false>;
template <class E>
using ThrowingPassthroughAsyncSequence = BasicPassthroughAsyncSequence<E, true>;

}  // namespace async
