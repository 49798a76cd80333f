#include "device/Presets/PresetManagerError.h"

namespace device {

namespace {

// `what` names the thing; the subject, when there is one, goes into it in quotation marks.
std::string sentence(const std::string& start, const std::string& what, const std::string& subject,
                     const std::string& end) {
  return start + what + (subject.empty() ? "" : " \u201c" + subject + "\u201d") + end;
}

std::string describe(PresetManagerError::Case c, const std::string& subject) {
  using Case = PresetManagerError::Case;
  switch (c) {
    case Case::localPathDoesNotExist: return sentence("The ", "preset folder", subject, " does not exist.");
    case Case::emptyPreset: return sentence("The ", "preset file", subject, " is empty or cannot be read.");
    case Case::presetDoesNotExistAtSource: return sentence("The ", "preset", subject, " is not on the source.");
    case Case::presetDoesNotExist: return sentence("There is no ", "preset file", subject, ".");
    case Case::invalidPath:
      return subject.empty() ? "The preset's name cannot be used as a file name."
                             : "\u201c" + subject + "\u201d cannot be used as a file name.";
  }
  return "The preset operation failed.";
}

}  // namespace

PresetManagerError::PresetManagerError(Case errorCase, std::string subject)
    : case_(errorCase), subject_(std::move(subject)), description_(describe(case_, subject_)) {}

}  // namespace device
