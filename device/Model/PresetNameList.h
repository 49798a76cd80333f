#pragma once
// The presets one device holds, in the order the device listed them (duplicates allowed), with
// the filters the preset manager and the windows use. The filters keep backups unless told
// otherwise and drop the devices' default presets unless told otherwise.
// A value type; any thread may use its own copy.

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "device/Model/PresetName.h"

namespace device {

struct PresetNameList {
  std::vector<PresetName> names;

  void append(PresetName name) { names.push_back(std::move(name)); }
  std::size_t count() const { return names.size(); }

  // The names of one of `types` that pass both flags, in list order; an empty type list keeps
  // nothing.
  std::vector<PresetName> filtered(const std::vector<PresetType>& types, bool includeDefaults,
                                   bool includeBackups) const;
  template <typename Types>
  std::vector<PresetName> filtered(const Types& types, bool includeDefaults, bool includeBackups) const {
    return filtered(std::vector<PresetType>(std::begin(types), std::end(types)), includeDefaults,
                    includeBackups);
  }
  std::vector<PresetName> filtered(std::initializer_list<PresetType> types, bool includeDefaults,
                                   bool includeBackups) const {
    return filtered(std::vector<PresetType>(types), includeDefaults, includeBackups);
  }

  // One type; backups kept.
  std::vector<PresetName> filtered(PresetType type, bool includeDefaults) const {
    return filtered({type}, includeDefaults, true);
  }
  std::vector<PresetName> filtered(bool includeDefaults, bool includeBackups) const {
    return filtered({PresetType::preset, PresetType::userShow}, includeDefaults,
                    includeBackups);  // both types
  }
  std::vector<PresetName> presets() const { return filtered(PresetType::preset, false); }
  std::vector<PresetName> presetsIncludingDefaults() const { return filtered(PresetType::preset, true); }
  std::vector<PresetName> userShows() const { return filtered(PresetType::userShow, false); }
  std::vector<PresetName> userShowsIncludingDefaults() const { return filtered(PresetType::userShow, true); }
  std::vector<PresetName> allWithoutDefaults() const { return filtered(false, true); }
  std::vector<PresetName> allWithoutBackups() const { return filtered(true, false); }
};

}  // namespace device
