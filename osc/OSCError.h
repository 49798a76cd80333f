#pragma once
// The common base of the OSC library's error types. Each concrete error type carries one case of
// its enumeration (and the case's payload, where it has one); description() and what() give the
// same text, the case written as "Type.case" or "Type.case(payload)".
// Plain values: safe to copy and hand between threads.

#include <exception>
#include <string>

namespace osc {

class OSCError : public std::exception {
 public:
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 protected:
  explicit OSCError(std::string description) : description_(std::move(description)) {}

 private:
  std::string description_;
};

}  // namespace osc
