#pragma once
// ObjectsView<Objects, T, Select>: a view of a server's objects (a shared sequence of
// DatagramObject) that keeps those Select takes, each as a T. The views a server offers:
//   ObjectsOfType<Objects, T>  the objects of type T (OSCMessage, OSCBundle, OSCObject or a custom
//                              type), each taken as T; a bundle is not opened for its messages;
//   NonOSCObjects<Objects>     the objects that are not OSC messages or bundles, unchanged.
// Lazy: each makeAsyncIterator() opens a new subscription of the underlying shared sequence, with
// its replay; the objects a view leaves out are passed over before they are copied. A plain value;
// iterators are used by one task at a time.

#include <optional>
#include <utility>

#include <boost/asio/awaitable.hpp>

#include "osc/DatagramObject.h"

namespace osc {

// Selectors: the object as the view's element, or none when the view leaves it out. Cheap, no throw.
template <class T>
struct AsType {
  const T* operator()(const DatagramObject& object) const { return object.as<T>(); }
};
struct NotOSC {
  const DatagramObject* operator()(const DatagramObject& object) const {
    return object.oscObject() ? nullptr : &object;
  }
};

template <class Objects, class T, class Select>
class ObjectsView {
 public:
  using Element = T;

  class Iterator {
   public:
    using Element = T;
    explicit Iterator(typename Objects::Iterator base) : base_(std::move(base)) {}
    asio::awaitable<std::optional<T>> next() {
      std::optional<DatagramObject> object = co_await base_.next();
      if (!object) co_return std::nullopt;
      co_return *Select{}(*object);  // the subscription passed over everything else
    }

   private:
    typename Objects::Iterator base_;
  };

  explicit ObjectsView(Objects objects) : objects_(std::move(objects)) {}
  Iterator makeAsyncIterator() const {
    return Iterator(objects_.makeAsyncIterator([](const DatagramObject& object) { return Select{}(object) != nullptr; }));
  }

 private:
  Objects objects_;
};

template <class Objects, class T>
using ObjectsOfType = ObjectsView<Objects, T, AsType<T>>;
template <class Objects>
using NonOSCObjects = ObjectsView<Objects, DatagramObject, NotOSC>;

}  // namespace osc
