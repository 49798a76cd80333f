#include "async/NotificationCenterAsyncSequence.h"

#include <utility>

namespace async {

NotificationCenterAsyncSequence::Iterator::Iterator(
    PassthroughAsyncSequence<platform::Notification>::Iterator iterator,
    platform::ObserverToken observer)
    : iterator_(std::move(iterator)), observer_(std::move(observer)) {}

asio::awaitable<std::optional<platform::Notification>>
NotificationCenterAsyncSequence::Iterator::next() {
  auto notification = co_await iterator_.next();
  if (!notification) observer_.reset();
  co_return notification;
}

NotificationCenterAsyncSequence::NotificationCenterAsyncSequence(
    platform::NotificationCenter& notificationCenter, std::string notificationName,
    const void* object)
    : notificationCenter_(&notificationCenter),
      notificationName_(std::move(notificationName)),
      object_(object) {}

NotificationCenterAsyncSequence::Iterator NotificationCenterAsyncSequence::makeAsyncIterator()
    const {
  // The observer holds the only copy of the subject: removing it finishes the subject.
  PassthroughAsyncSequence<platform::Notification> subject;
  auto iterator = subject.makeAsyncIterator();
  auto forward = [subject](const platform::Notification& notification) {
    subject.send(notification);
  };
  auto observer = notificationCenter_->addObserver(notificationName_, object_, std::move(forward));
  return Iterator(std::move(iterator), std::move(observer));
}

}  // namespace async
