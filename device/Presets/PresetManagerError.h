#pragma once
// The errors of the local preset folder, the library sync and the copy between two sources:
// `localPathDoesNotExist` (the sync's folder is missing), `emptyPreset` (a preset file without
// contents), `presetDoesNotExistAtSource` (a copy's source does not list the preset),
// `presetDoesNotExist` (no file for the preset) and `invalidPath` (a preset name that cannot be a
// file name in the folder). A value; any thread.

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace device {

class PresetManagerError : public std::exception {
 public:
  enum class Case { localPathDoesNotExist, emptyPreset, presetDoesNotExistAtSource, presetDoesNotExist, invalidPath };

  static PresetManagerError localPathDoesNotExist() noexcept { return PresetManagerError(Case::localPathDoesNotExist); }
  static PresetManagerError emptyPreset() noexcept { return PresetManagerError(Case::emptyPreset); }
  static PresetManagerError presetDoesNotExistAtSource() noexcept {
    return PresetManagerError(Case::presetDoesNotExistAtSource);
  }
  static PresetManagerError presetDoesNotExist() noexcept { return PresetManagerError(Case::presetDoesNotExist); }
  static PresetManagerError invalidPath() noexcept { return PresetManagerError(Case::invalidPath); }

  Case errorCase() const noexcept { return case_; }
  // The generic text of an error value without text of its own, with the case's number.
  const std::string& description() const noexcept;
  const char* what() const noexcept override { return description().c_str(); }

  friend bool operator==(const PresetManagerError& x, const PresetManagerError& y) noexcept {
    return x.case_ == y.case_;
  }

 private:
  explicit PresetManagerError(Case errorCase) noexcept : case_(errorCase) {}
  Case case_;
};

}  // namespace device

template <>
struct std::hash<device::PresetManagerError> {
  std::size_t operator()(const device::PresetManagerError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase()));
  }
};
