#pragma once
// One row of the presets list: one preset of one device. Two items are the same when they hold
// the same client object and equal names (PresetName's ==: the time stamp does not count).
// Light on includes: Qt headers take it (PresetClient.h has the client helpers).

#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "device/Model/PresetName.h"

namespace device {
class PresetHandler;
}

namespace app {

// A device client that handles presets (see PresetClient.h).
using PresetClient = std::shared_ptr<device::PresetHandler>;

struct PresetItem {
  PresetClient client;
  device::PresetName name;

  friend bool operator==(const PresetItem& a, const PresetItem& b) {
    return a.client == b.client && a.name == b.name;
  }

  // Ordered, and equal exactly for the same items (for diffRows).
  auto identityKey() const {
    return std::make_tuple(static_cast<const void*>(client.get()), name.name, static_cast<int>(name.type),
                           name.backupDate);
  }
};

}  // namespace app
