#pragma once
// OfflineEditor: a processor configuration (type, mixes, inputs, equaliser mode, clock-speed
// mode) checked by one factory per processor type and sent in one message
//   "/Vp/co/OfflineEditor"  i type code, i mixes, i clock-speed mode, T/F eq mode, i inputs
// over UDP to the offline editor on this computer (127.0.0.1:9110 unless told otherwise).
//
// Threads: any. The configuration is fixed at creation; the OSC client, made on the first send
// and reused after, sits behind a mutex, so overlapping sends are safe (each sends its own
// datagram). Not copyable or movable; factories return it as a prvalue.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/Model/DeviceType.h"
#include "osc/OSCClient.h"

namespace device {

// Where the offline editor listens.
struct OfflineEditorAddress {
  std::string host = "127.0.0.1";
  std::uint16_t port = 9110;
};

class OfflineEditor {
 public:
  using Address = OfflineEditorAddress;
  enum class ClockSpeedMode { auto_ = 0, s48khz = 1, s96khz = 2 };
  // The mode of a raw value; 3 and above (and negatives) name none.
  static std::optional<ClockSpeedMode> clockSpeedMode(std::int64_t rawValue) {
    if (rawValue < 0 || rawValue > 2) return std::nullopt;
    return static_cast<ClockSpeedMode>(rawValue);
  }

  class EditorError : public std::exception {
   public:
    enum class Case { unsupportedClockSpeedMode, unsupportedNumberOfMixes };
    // `numberOfMixes`: the refused count of unsupportedNumberOfMixes, named by the description.
    explicit EditorError(Case errorCase, std::optional<std::size_t> numberOfMixes = std::nullopt);
    Case errorCase() const noexcept { return case_; }
    // A sentence naming what the editor cannot do.
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }
    friend bool operator==(const EditorError& a, const EditorError& b) noexcept { return a.case_ == b.case_; }

   private:
    Case case_;
    std::string description_;
  };

  // The factories; those that fail throw EditorError and make nothing. `auto_` is refused by
  // zelvarine, hxb and pelion; pelion checks the mode first, then that its mixes are 1...16.
  static OfflineEditor tamo(Address editor = {});
  static OfflineEditor sirel24(bool eqMode, ClockSpeedMode clockSpeedMode, Address editor = {});
  static OfflineEditor sirel64(bool eqMode, ClockSpeedMode clockSpeedMode, Address editor = {});
  static OfflineEditor zelvarine(bool eqMode, ClockSpeedMode clockSpeedMode, Address editor = {});
  static OfflineEditor hxb(ClockSpeedMode clockSpeedMode, Address editor = {});
  static OfflineEditor pelion(std::size_t numberOfMixes, bool eqMode, ClockSpeedMode clockSpeedMode,
                              Address editor = {});

  OfflineEditor(const OfflineEditor&) = delete;
  OfflineEditor& operator=(const OfflineEditor&) = delete;

  const DeviceType& processorType() const { return processorType_; }
  std::size_t numberOfMixes() const { return numberOfMixes_; }
  std::size_t numberOfInputs() const { return numberOfInputs_; }
  bool eqMode() const { return eqMode_; }
  ClockSpeedMode clockSpeedMode() const { return clockSpeedMode_; }

  // Sends the configuration once with a 1 s write time-out. The OSC client is made on the first
  // call; if that fails, its error passes on and the next call tries again. A send error passes
  // on; the client is kept either way.
  void sendConfiguration();

 private:
  OfflineEditor(DeviceType processorType, std::size_t numberOfMixes, std::size_t numberOfInputs, bool eqMode,
                ClockSpeedMode clockSpeedMode, Address editor);

  const DeviceType processorType_;
  const std::size_t numberOfMixes_;
  const std::size_t numberOfInputs_;
  const bool eqMode_;
  const ClockSpeedMode clockSpeedMode_;
  const Address editor_;
  std::mutex mutex_;
  std::shared_ptr<osc::OSCClient> oscClient_;  // guarded by mutex_
};

}  // namespace device

template <>
struct std::hash<device::OfflineEditor::EditorError> {
  std::size_t operator()(const device::OfflineEditor::EditorError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase()));
  }
};
