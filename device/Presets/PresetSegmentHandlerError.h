#pragma once
// The errors of receiving a preset in segments: `timeout` (the wait ran out of time) and
// `incompleteReceive` (the segment handler is gone or stopped before the preset was complete).
// A value; any thread.

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace device {

class PresetSegmentHandlerError : public std::exception {
 public:
  enum class Case { timeout, incompleteReceive };

  static PresetSegmentHandlerError timeout() noexcept { return PresetSegmentHandlerError(Case::timeout); }
  static PresetSegmentHandlerError incompleteReceive() noexcept {
    return PresetSegmentHandlerError(Case::incompleteReceive);
  }

  Case errorCase() const noexcept { return case_; }
  // "The preset did not arrive from the device in time." and the like.
  const std::string& description() const noexcept;
  const char* what() const noexcept override { return description().c_str(); }

  friend bool operator==(const PresetSegmentHandlerError& x, const PresetSegmentHandlerError& y) noexcept {
    return x.case_ == y.case_;
  }

 private:
  explicit PresetSegmentHandlerError(Case errorCase) noexcept : case_(errorCase) {}
  Case case_;
};

}  // namespace device

template <>
struct std::hash<device::PresetSegmentHandlerError> {
  std::size_t operator()(const device::PresetSegmentHandlerError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase()));
  }
};
