#pragma once
// What an OSC datagram holds, and every element of a bundle: a message or a bundle. A closed
// set, held by value; callers look inside with message() / bundle() or visit variant(). Plain
// value; any thread may use its own copy.

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "osc/OSCBundle.h"
#include "osc/OSCMessage.h"

namespace osc {

class OSCObject {
 public:
  using Variant = std::variant<OSCMessage, OSCBundle>;

  OSCObject(const OSCMessage& message) : value_(std::in_place_index<0>, message) {}
  OSCObject(OSCMessage&& message) : value_(std::in_place_index<0>, std::move(message)) {}
  OSCObject(const OSCBundle& bundle) : value_(std::in_place_index<1>, bundle) {}
  OSCObject(OSCBundle&& bundle) : value_(std::in_place_index<1>, std::move(bundle)) {}
  // Builds the message (0) or bundle (1) in place from `args`, as std::variant does.
  template <std::size_t I, class... Args>
  explicit OSCObject(std::in_place_index_t<I> index, Args&&... args) : value_(index, std::forward<Args>(args)...) {}

  bool isMessage() const { return value_.index() == 0; }
  bool isBundle() const { return value_.index() == 1; }
  const OSCMessage* message() const { return std::get_if<OSCMessage>(&value_); }
  OSCMessage* message() { return std::get_if<OSCMessage>(&value_); }
  const OSCBundle* bundle() const { return std::get_if<OSCBundle>(&value_); }
  OSCBundle* bundle() { return std::get_if<OSCBundle>(&value_); }
  const Variant& variant() const { return value_; }

  const std::optional<OSCEndpoint>& endpoint() const;
  void setEndpoint(std::optional<OSCEndpoint> endpoint);
  const std::optional<DispatchTime>& receiveTime() const;
  void setReceiveTime(std::optional<DispatchTime> time);

  std::vector<std::uint8_t> data() const;
  void encode(std::vector<std::uint8_t>& out) const;
  std::uint8_t* writeTo(std::uint8_t* p) const;
  std::size_t size() const;
  // The bytes the object takes in memory, itself included (an estimate).
  std::size_t footprint() const;
  std::string description() const;

  friend bool operator==(const OSCObject&, const OSCObject&) = default;

 private:
  Variant value_;
};

// OSCBundle's members that need the complete element type, defined here so they can be inlined.
inline OSCBundle::OSCBundle(std::uint64_t timetag) : timetag_(timetag) {}
inline OSCBundle::OSCBundle(std::uint64_t timetag, std::vector<OSCObject> elements)
    : timetag_(timetag), elements_(std::move(elements)) {}
inline OSCBundle::OSCBundle(const OSCBundle&) = default;
inline OSCBundle::OSCBundle(OSCBundle&&) noexcept = default;
inline OSCBundle& OSCBundle::operator=(const OSCBundle&) = default;
inline OSCBundle& OSCBundle::operator=(OSCBundle&&) noexcept = default;
inline OSCBundle::~OSCBundle() = default;

// Converts to T::decode(bytes): handed to an in-place constructor, the decoded message or bundle
// is built right where it is kept, without a move.
template <class T>
struct DecodedFrom {
  std::span<const std::uint8_t> bytes;
  operator T() const { return T::decode(bytes); }
};

}  // namespace osc
