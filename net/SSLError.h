#pragma once
// The error a security layer (SSLServiceDelegate) throws. Socket operations that call the layer
// turn it into a SocketError (toSocketError) before it reaches their caller. A value.

#include <cstdint>
#include <exception>
#include <string>

#include "net/SocketError.h"

namespace net {

class SSLError : public std::exception {
 public:
  enum class Kind { fail, success, retryNeeded };

  static SSLError fail(std::int64_t code, std::string text) { return {Kind::fail, code, std::move(text)}; }
  static SSLError success() { return {Kind::success, 0, "Success"}; }
  static SSLError retryNeeded() { return {Kind::retryNeeded, -1, "Retry operation"}; }

  Kind kind() const { return kind_; }
  std::int64_t code() const { return code_; }
  const std::string& description() const { return text_; }
  const char* what() const noexcept override { return text_.c_str(); }

  // Code and text carried over; a failure code outside the 32-bit range is saturated to the
  // nearest 32-bit value so that its sign (failure kind) survives.
  SocketError toSocketError() const;

 private:
  SSLError(Kind kind, std::int64_t code, std::string text) : kind_(kind), code_(code), text_(std::move(text)) {}

  Kind kind_;
  std::int64_t code_;
  std::string text_;
};

}  // namespace net
