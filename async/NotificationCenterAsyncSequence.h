#pragma once
// NotificationCenterAsyncSequence: the notifications of one name (and, when `object` is set, one
// sender) posted to a platform::NotificationCenter, as an async sequence.
// - makeAsyncIterator() registers an observer at once; notifications posted from then on are
//   buffered (without bound) until read. Each iterator has its own registration and buffer.
// - The iterator is move-only and owns its registration: it is removed when next() gives the end
//   (the task waiting in next() was cancelled) or when the iterator is destroyed.
// - next() never fails. The posting thread only appends to the buffer; it never waits for the
//   reader.
// The center must outlive the sequence value; iterators may outlive the center.

#include <optional>
#include <string>

#include <boost/asio/awaitable.hpp>

#include "async/PassthroughAsyncSequence.h"
#include "platform/NotificationCenter.h"

namespace async {

class NotificationCenterAsyncSequence {
 public:
  using Element = platform::Notification;

  class Iterator {
   public:
    using Element = platform::Notification;
    Iterator(Iterator&&) noexcept = default;
    Iterator& operator=(Iterator&&) noexcept = default;

    asio::awaitable<std::optional<platform::Notification>> next();

   private:
    friend class NotificationCenterAsyncSequence;
    Iterator(PassthroughAsyncSequence<platform::Notification>::Iterator iterator,
             platform::ObserverToken observer);
    PassthroughAsyncSequence<platform::Notification>::Iterator iterator_;
    platform::ObserverToken observer_;
  };

  NotificationCenterAsyncSequence(platform::NotificationCenter& notificationCenter,
                                  std::string notificationName, const void* object = nullptr);

  Iterator makeAsyncIterator() const;

 private:
  platform::NotificationCenter* notificationCenter_;
  std::string notificationName_;
  const void* object_;
};

}  // namespace async
