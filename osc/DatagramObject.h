#pragma once
// Everything a receiver hands on for one datagram: an OSC message or bundle (an OSCObject), or an
// object of a decoder of the owner's own that is neither (a CustomDatagramObject). A value: copies
// of a custom object share it until one of them is stamped, which then makes its own copy. Any
// thread may use its own copy.

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "osc/OSCObject.h"

namespace osc {

// The base of the objects that a decoder of the owner's own makes besides messages and bundles.
// A subclass says what it carries; the receiver stamps it with its sender and time of reception.
class CustomDatagramObject {
 public:
  virtual ~CustomDatagramObject() = default;

  const std::optional<OSCEndpoint>& endpoint() const { return endpoint_; }
  void setEndpoint(std::optional<OSCEndpoint> endpoint) { endpoint_ = std::move(endpoint); }
  const std::optional<DispatchTime>& receiveTime() const { return receiveTime_; }
  void setReceiveTime(std::optional<DispatchTime> time) { receiveTime_ = time; }

  virtual std::vector<std::uint8_t> data() const = 0;
  virtual std::string description() const = 0;
  // The bytes the object takes in memory, itself included (an estimate): what a replay counts.
  virtual std::size_t footprint() const = 0;
  // A copy of the same dynamic type.
  virtual std::unique_ptr<CustomDatagramObject> clone() const = 0;

 protected:
  CustomDatagramObject() = default;
  CustomDatagramObject(const CustomDatagramObject&) = default;
  CustomDatagramObject& operator=(const CustomDatagramObject&) = default;

 private:
  std::optional<OSCEndpoint> endpoint_;
  std::optional<DispatchTime> receiveTime_;
};

class DatagramObject {
 public:
  DatagramObject(const OSCObject& object) : value_(std::in_place_index<0>, object) {}
  DatagramObject(OSCObject&& object) : value_(std::in_place_index<0>, std::move(object)) {}
  DatagramObject(OSCMessage message) : value_(std::in_place_index<0>, std::move(message)) {}
  DatagramObject(OSCBundle bundle) : value_(std::in_place_index<0>, std::move(bundle)) {}
  // Builds the message or bundle in place from `args`, as OSCObject's own in-place constructor.
  template <class... Args>
  explicit DatagramObject(std::in_place_index_t<0> index, Args&&... args) : value_(index, std::forward<Args>(args)...) {}
  // A custom object, moved into shared storage.
  template <class T>
    requires std::derived_from<std::remove_cvref_t<T>, CustomDatagramObject>
  DatagramObject(T&& object)
      : value_(std::in_place_index<1>, std::make_shared<std::remove_cvref_t<T>>(std::forward<T>(object))) {}

  // The message or bundle; none for a custom object.
  const OSCObject* oscObject() const { return std::get_if<0>(&value_); }
  const OSCMessage* message() const { return oscObject() ? oscObject()->message() : nullptr; }
  const OSCBundle* bundle() const { return oscObject() ? oscObject()->bundle() : nullptr; }
  bool isMessage() const { return message() != nullptr; }
  bool isBundle() const { return bundle() != nullptr; }
  const CustomDatagramObject* custom() const {
    const auto* shared = std::get_if<1>(&value_);
    return shared ? shared->get() : nullptr;
  }
  // The object as T: OSCObject, OSCMessage, OSCBundle or a custom type; none when it is not one.
  template <class T>
  const T* as() const {
    if constexpr (std::is_same_v<T, OSCObject>) {
      return oscObject();
    } else if constexpr (std::is_same_v<T, OSCMessage>) {
      return message();
    } else if constexpr (std::is_same_v<T, OSCBundle>) {
      return bundle();
    } else {
      static_assert(std::derived_from<T, CustomDatagramObject>);
      return dynamic_cast<const T*>(custom());
    }
  }

  // Inline for messages and bundles: every received datagram is stamped and measured.
  const std::optional<OSCEndpoint>& endpoint() const {
    return oscObject() ? oscObject()->endpoint() : custom()->endpoint();
  }
  void setEndpoint(std::optional<OSCEndpoint> endpoint) {
    if (auto* object = std::get_if<0>(&value_)) {
      object->setEndpoint(std::move(endpoint));
    } else {
      ownCustom().setEndpoint(std::move(endpoint));
    }
  }
  const std::optional<DispatchTime>& receiveTime() const {
    return oscObject() ? oscObject()->receiveTime() : custom()->receiveTime();
  }
  void setReceiveTime(std::optional<DispatchTime> time) {
    if (auto* object = std::get_if<0>(&value_)) {
      object->setReceiveTime(time);
    } else {
      ownCustom().setReceiveTime(time);
    }
  }
  std::size_t footprint() const {
    if (const OSCObject* object = oscObject()) return object->footprint() - sizeof(OSCObject) + sizeof(DatagramObject);
    return sizeof(DatagramObject) + custom()->footprint();
  }

  std::vector<std::uint8_t> data() const;
  std::string description() const;

 private:
  // The custom object this copy may change (copied first when another copy shares it).
  CustomDatagramObject& ownCustom();

  std::variant<OSCObject, std::shared_ptr<CustomDatagramObject>> value_;
};

// The type-level decoder with which a receiver is configured: turns a datagram (possibly
// absent) into an object, nothing, or a thrown error. Stateless between calls.
template <typename D>
concept DatagramDecoder = requires(std::optional<std::span<const std::uint8_t>> datagram) {
  { D::decode(datagram) } -> std::convertible_to<std::optional<DatagramObject>>;
};

}  // namespace osc
