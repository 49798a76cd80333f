#pragma once
// The overwrite question of a copy or an import, and the decisions of one drop.
//
// A dropped preset whose name the target already holds is asked about ("Yes", "No", and "All" when
// the drop holds more than one preset); after "All" every later preset that exists is overwritten
// without a question. A preset the target does not hold is never marked to overwrite, "All" or not:
// deleting it first would only fail. GUI thread (the question is a modal alert).

#include <optional>
#include <vector>

#include "device/Model/PresetName.h"

class QWidget;

namespace app {

// "Overwrite Preset?" over `window` with the buttons "Yes", "No" and, with `offerAll`, "All"; the
// answer (alertFirstButtonReturn, ...).
int askToOverwrite(QWidget* window, const device::PresetName& name, bool offerAll);

class OverwriteDecision {
 public:
  // `window`: where the questions appear; `existing`: the target's names (without defaults and
  // backups); `offerAll`: more than one preset was dropped.
  OverwriteDecision(QWidget* window, std::vector<device::PresetName> existing, bool offerAll)
      : window_(window), existing_(std::move(existing)), offerAll_(offerAll) {}

  // Whether to delete the target's copy first; none when the user chose to skip the preset.
  std::optional<bool> decide(const device::PresetName& name);

 private:
  QWidget* window_;
  std::vector<device::PresetName> existing_;
  bool offerAll_;
  bool overwriteAll_ = false;
};

}  // namespace app
