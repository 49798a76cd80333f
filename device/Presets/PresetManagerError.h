#pragma once
// The errors of the local preset folder, the library sync and the copy between two sources:
// `localPathDoesNotExist` (the sync's folder is missing), `emptyPreset` (a preset file without
// contents), `presetDoesNotExistAtSource` (a copy's source does not list the preset),
// `presetDoesNotExist` (no file for the preset) and `invalidPath` (a preset name that cannot be a
// file name in the folder). Each may carry the folder, file or preset it is about, which its
// description() names ("There is no preset file “/p/Show.VELTOshow”."); equality and hashing go by
// the case alone. A value; any thread.

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace device {

class PresetManagerError : public std::exception {
 public:
  enum class Case { localPathDoesNotExist, emptyPreset, presetDoesNotExistAtSource, presetDoesNotExist, invalidPath };

  static PresetManagerError localPathDoesNotExist(std::string folder = {}) {
    return PresetManagerError(Case::localPathDoesNotExist, std::move(folder));
  }
  static PresetManagerError emptyPreset(std::string file = {}) {
    return PresetManagerError(Case::emptyPreset, std::move(file));
  }
  static PresetManagerError presetDoesNotExistAtSource(std::string preset = {}) {
    return PresetManagerError(Case::presetDoesNotExistAtSource, std::move(preset));
  }
  static PresetManagerError presetDoesNotExist(std::string file = {}) {
    return PresetManagerError(Case::presetDoesNotExist, std::move(file));
  }
  static PresetManagerError invalidPath(std::string name = {}) {
    return PresetManagerError(Case::invalidPath, std::move(name));
  }

  Case errorCase() const noexcept { return case_; }
  // The folder, file or preset name the error is about; may be empty.
  const std::string& subject() const noexcept { return subject_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  friend bool operator==(const PresetManagerError& x, const PresetManagerError& y) noexcept {
    return x.case_ == y.case_;
  }

 private:
  PresetManagerError(Case errorCase, std::string subject);
  Case case_;
  std::string subject_;
  std::string description_;
};

}  // namespace device

template <>
struct std::hash<device::PresetManagerError> {
  std::size_t operator()(const device::PresetManagerError& error) const noexcept {
    return std::hash<int>()(static_cast<int>(error.errorCase()));
  }
};
