#include "device/Clients/OfflineEditor.h"

namespace device {
namespace {

constexpr std::uint64_t kSendTimeout = 1'000'000'000;  // nanoseconds

void requireClockSpeed(OfflineEditor::ClockSpeedMode mode) {
  if (mode == OfflineEditor::ClockSpeedMode::auto_) {
    throw OfflineEditor::EditorError(OfflineEditor::EditorError::Case::unsupportedClockSpeedMode);
  }
}

}  // namespace

OfflineEditor::EditorError::EditorError(Case errorCase, std::optional<std::size_t> numberOfMixes)
    : case_(errorCase),
      description_(errorCase == Case::unsupportedClockSpeedMode
                       ? "The offline editor cannot run this processor with an automatic clock speed."
                       : "The offline editor cannot run a processor with " +
                             (numberOfMixes ? std::to_string(*numberOfMixes) : std::string("this number of")) +
                             " mixes (it takes 1 to 16).") {}

OfflineEditor::OfflineEditor(DeviceType processorType, std::size_t numberOfMixes, std::size_t numberOfInputs,
                             bool eqMode, ClockSpeedMode clockSpeedMode, Address editor)
    : processorType_(processorType), numberOfMixes_(numberOfMixes), numberOfInputs_(numberOfInputs),
      eqMode_(eqMode), clockSpeedMode_(clockSpeedMode), editor_(std::move(editor)) {}

OfflineEditor OfflineEditor::tamo(Address editor) {
  return OfflineEditor(DeviceType::tamo(), 5, 24, false, ClockSpeedMode::s48khz, std::move(editor));
}

OfflineEditor OfflineEditor::sirel24(bool eqMode, ClockSpeedMode clockSpeedMode, Address editor) {
  return OfflineEditor(DeviceType::sirel(), 12, 24, eqMode, clockSpeedMode, std::move(editor));
}

OfflineEditor OfflineEditor::sirel64(bool eqMode, ClockSpeedMode clockSpeedMode, Address editor) {
  return OfflineEditor(DeviceType::sirel(), 12, 64, eqMode, clockSpeedMode, std::move(editor));
}

OfflineEditor OfflineEditor::zelvarine(bool eqMode, ClockSpeedMode clockSpeedMode, Address editor) {
  requireClockSpeed(clockSpeedMode);
  return OfflineEditor(DeviceType::zelvarine(), 16, 128, eqMode, clockSpeedMode, std::move(editor));
}

OfflineEditor OfflineEditor::hxb(ClockSpeedMode clockSpeedMode, Address editor) {
  requireClockSpeed(clockSpeedMode);
  return OfflineEditor(DeviceType::hxb(), 16, 64, false, clockSpeedMode, std::move(editor));
}

OfflineEditor OfflineEditor::pelion(std::size_t numberOfMixes, bool eqMode, ClockSpeedMode clockSpeedMode,
                                    Address editor) {
  requireClockSpeed(clockSpeedMode);
  const auto type = DeviceType::make(DeviceType::Value::pelion, numberOfMixes);
  if (!type) throw EditorError(EditorError::Case::unsupportedNumberOfMixes, numberOfMixes);
  return OfflineEditor(*type, numberOfMixes, type->numberOfInputs(), eqMode, clockSpeedMode, std::move(editor));
}

void OfflineEditor::sendConfiguration() {
  std::shared_ptr<osc::OSCClient> client;
  {
    const std::lock_guard lock(mutex_);
    if (!oscClient_) oscClient_ = std::make_shared<osc::OSCClient>(editor_.host, editor_.port);
    client = oscClient_;
  }
  // Appended one by one: g++ 12 warns falsely about the variants of an initializer list here.
  std::vector<osc::OSCValue> values;
  values.reserve(5);
  values.push_back(osc::OSCValue::nativeInt(numericCode(processorType_.value())));
  values.push_back(osc::OSCValue::nativeInt(static_cast<std::int64_t>(numberOfMixes_)));
  values.push_back(osc::OSCValue::nativeInt(static_cast<std::int64_t>(clockSpeedMode_)));
  values.push_back(osc::OSCValue::boolean(eqMode_));
  values.push_back(osc::OSCValue::nativeInt(static_cast<std::int64_t>(numberOfInputs_)));
  const osc::OSCMessage message(*osc::OSCAddress::make("/Vp/co/OfflineEditor"), std::move(values));
  client->send(message, kSendTimeout);
}

}  // namespace device
