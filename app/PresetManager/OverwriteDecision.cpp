#include "app/PresetManager/OverwriteDecision.h"

#include <algorithm>

#include "app/Dialogs.h"

namespace app {

int askToOverwrite(QWidget* window, const device::PresetName& name, bool offerAll) {
  Alert alert{"Overwrite Preset?", "Would you like to overwrite \"" + name.name + "\"?", AlertStyle::informational,
              {"Yes", "No"}};
  if (offerAll) alert.buttons.push_back("All");
  return dialogs().runModal(window, alert);
}

std::optional<bool> OverwriteDecision::decide(const device::PresetName& name) {
  if (std::find(existing_.begin(), existing_.end(), name) == existing_.end()) return false;
  if (overwriteAll_) return true;
  switch (askToOverwrite(window_, name, offerAll_)) {
    case alertFirstButtonReturn:
      return true;
    case alertThirdButtonReturn:
      overwriteAll_ = true;
      return true;
    default:
      return std::nullopt;
  }
}

}  // namespace app
