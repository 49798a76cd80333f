#pragma once
// ObjectsOfType<T>: the view of a server's objects that keeps those of type T (OSCMessage or
// OSCBundle), each taken as that type; a bundle is not opened for its messages. Lazy: each
// makeAsyncIterator() opens a new subscription of the underlying shared sequence, with its replay.
// A plain value; iterators are used by one task at a time.

#include <optional>
#include <utility>

#include <boost/asio/awaitable.hpp>

#include "osc/OSCObject.h"

namespace osc {

template <class Objects, class T>
class ObjectsOfType {
 public:
  using Element = T;

  class Iterator {
   public:
    using Element = T;
    explicit Iterator(typename Objects::Iterator base) : base_(std::move(base)) {}
    asio::awaitable<std::optional<T>> next() {
      for (;;) {
        std::optional<OSCObject> object = co_await base_.next();
        if (!object) co_return std::nullopt;
        if (const T* typed = std::get_if<T>(&object->variant())) co_return *typed;
      }
    }

   private:
    typename Objects::Iterator base_;
  };

  explicit ObjectsOfType(Objects objects) : objects_(std::move(objects)) {}
  Iterator makeAsyncIterator() const { return Iterator(objects_.makeAsyncIterator()); }

 private:
  Objects objects_;
};

}  // namespace osc
