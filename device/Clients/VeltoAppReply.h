#pragma once
// What the two reply messages of a device share ("/VELTOapp/confirmation" and "/VELTOapp/error"):
// the record {message, code, uid}, its reading from a received message and its printed form,
// and the text-classified type with an `Unkown` case that carries the whole text.
// Plain values; any thread may use its own copy.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "osc/OSCMessage.h"

namespace device {

struct VeltoAppReply {
  std::string message;  // the device's text
  std::int32_t code = 0;
  std::string uid;

  // Exactly three arguments: a string, a 32-bit integer ("i"), a string. Anything else gives
  // nothing; the address is not looked at. Never throws on malformed input.
  static std::optional<VeltoAppReply> fromMessage(const osc::OSCMessage& message);

  // message + " - " + code in decimal + "@" + uid.
  std::string description() const;

  friend bool operator==(const VeltoAppReply&, const VeltoAppReply&) = default;
};

// One case of `Case`, plus the text for `Unkown`: equal when the cases are and, for `Unkown`,
// the texts too. caseName(Case) is found by argument-dependent lookup.
template <typename Case>
class VeltoAppReplyType {
 public:
  constexpr VeltoAppReplyType(Case kind) : kind_(kind) {}
  static VeltoAppReplyType Unkown(std::string text) { return VeltoAppReplyType(Case::Unkown, std::move(text)); }

  Case kind() const { return kind_; }
  // The text of `Unkown`; empty for every other case.
  const std::string& text() const { return text_; }

  // The case name; `Unkown` as Unkown("text").
  std::string description() const {
    std::string name(caseName(kind_));
    return kind_ == Case::Unkown ? name + "(\"" + text_ + "\")" : name;
  }

  friend bool operator==(const VeltoAppReplyType&, const VeltoAppReplyType&) = default;

 private:
  VeltoAppReplyType(Case kind, std::string text) : kind_(kind), text_(std::move(text)) {}
  Case kind_;
  std::string text_;
};

}  // namespace device
