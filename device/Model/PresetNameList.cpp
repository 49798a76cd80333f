#include "device/Model/PresetNameList.h"

#include <algorithm>

namespace device {

std::vector<PresetName> PresetNameList::filtered(const std::vector<PresetType>& types, bool includeDefaults,
                                                 bool includeBackups) const {
  std::vector<PresetName> result;
  for (const PresetName& name : names) {
    if (name.isBackup() && !includeBackups) continue;
    if (name.isDefault() && !includeDefaults) continue;
    if (std::find(types.begin(), types.end(), name.type) != types.end()) result.push_back(name);
  }
  return result;
}

}  // namespace device
