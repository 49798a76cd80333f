#pragma once
// An OSC message: a validated address and a list of argument values, plus the sender and the
// reception time that a receiver stamps on it. A plain value; the values are immutable and shared
// by all copies, so a copy costs no allocation (a received message is kept once, however many
// sequences, replays and readers hold it). Any thread may use its own copy.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "osc/OSCAddress.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCError.h"
#include "osc/OSCValue.h"

namespace osc {

enum class OSCMessageErrorCase { malformedMessage, malformedAddress, invalidSize };

class OSCMessageError : public OSCCaseError<OSCMessageErrorCase> {
 public:
  // The address bytes are not ASCII; the text is always nonAsciiAddressText.
  static OSCMessageError malformedMessage(std::string text);
  // The address bytes are ASCII but not a valid address; the text is the address as read.
  static OSCMessageError malformedAddress(std::string text);
  // The length is not a multiple of 4, or the address runs past the end of the data.
  static OSCMessageError invalidSize();

  static constexpr std::string_view nonAsciiAddressText = "OSC Address contains non ASCII Charachters";

  // The payload of malformedMessage and malformedAddress; empty for invalidSize.
  const std::string& text() const { return text_; }

 private:
  OSCMessageError(Case kind, std::string text, std::string description)
      : OSCCaseError(kind, std::move(description)), text_(std::move(text)) {}
  std::string text_;
};

class OSCMessage {
 public:
  explicit OSCMessage(OSCAddress address, std::vector<OSCValue> values = {});
  // The message, or nothing when the text is not a valid address.
  static std::optional<OSCMessage> make(std::string_view address, std::vector<OSCValue> values = {});

  const OSCAddress& address() const { return address_; }
  const std::vector<OSCValue>& values() const { return values_ ? *values_ : noValues; }

  const std::optional<OSCEndpoint>& endpoint() const { return endpoint_; }
  void setEndpoint(std::optional<OSCEndpoint> endpoint) { endpoint_ = std::move(endpoint); }
  const std::optional<DispatchTime>& receiveTime() const { return receiveTime_; }
  void setReceiveTime(std::optional<DispatchTime> time) { receiveTime_ = time; }

  // Address, type tag string, argument bytes. Throws a value's OSCValueError (text that is not
  // UTF-8 or holds a NUL, a blob of 2^31 bytes or more).
  std::vector<std::uint8_t> data() const;
  // As data(), appended to `out`; on a throw `out` holds a partial message.
  void encode(std::vector<std::uint8_t>& out) const;
  // Writes data() to `p`, which has room for size() bytes; returns the end. Throws as data().
  std::uint8_t* writeTo(std::uint8_t* p) const;
  // The length of data().
  std::size_t size() const;
  // The bytes the message takes in memory, itself included (an estimate).
  std::size_t footprint() const;

  // Reads a message from received bytes, validating everything. Throws OSCMessageError,
  // OSCTypeTagStringError or OSCValueError. Bytes after the last value are ignored; bytes that
  // end right after the address give a message without values.
  static OSCMessage decode(std::span<const std::uint8_t> bytes);

  // "OSCMessage(/a)" or "OSCMessage(/a, values: [1, \"x\"])".
  std::string description() const;

  friend bool operator==(const OSCMessage& a, const OSCMessage& b) {
    return a.address_ == b.address_ && a.values() == b.values() && a.endpoint_ == b.endpoint_ &&
           a.receiveTime_ == b.receiveTime_;
  }

 private:
  // For the decoder: the address text is valid and has no trailing "/".
  explicit OSCMessage(std::string_view validatedAddress) : address_(validatedAddress) {}

  static inline const std::vector<OSCValue> noValues;

  OSCAddress address_;
  std::shared_ptr<const std::vector<OSCValue>> values_;  // none: no values
  std::optional<OSCEndpoint> endpoint_;
  std::optional<DispatchTime> receiveTime_;
};

}  // namespace osc
