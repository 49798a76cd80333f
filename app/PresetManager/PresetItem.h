#pragma once
// One preset of one device: the rows of the presets list and the item of a copy. Two items are the
// same when they hold the same client object and equal names. A value; GUI thread.

#include <memory>

#include "device/Model/PresetName.h"
#include "device/Presets/PresetHandler.h"

namespace app {

struct PresetItem {
  std::shared_ptr<device::PresetHandler> client;
  device::PresetName name;

  friend bool operator==(const PresetItem& x, const PresetItem& y) {
    return x.client == y.client && x.name == y.name;
  }
};

}  // namespace app
