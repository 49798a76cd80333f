#pragma once
// The common bases of the OSC library's error types. Each concrete error type carries one case
// of its enumeration (and the case's payload, where it has one); description() and what() give
// the same text, a sentence saying what failed with the payload in it ("No reply arrived in
// time.", "The OSC message's address “ab” is not valid."). Two errors are equal when case and
// payload are. Plain values: safe to copy and hand between threads.

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

template <typename CaseType>
class OSCCaseError : public OSCError {
 public:
  using Case = CaseType;
  Case kind() const { return kind_; }
  // The description carries the payload, so it decides along with the case.
  friend bool operator==(const OSCCaseError& a, const OSCCaseError& b) {
    return a.kind_ == b.kind_ && a.description() == b.description();
  }

 protected:
  OSCCaseError(Case kind, std::string description) : OSCError(std::move(description)), kind_(kind) {}

 private:
  Case kind_;
};

}  // namespace osc
