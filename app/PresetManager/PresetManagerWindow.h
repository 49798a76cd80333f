#pragma once
// The program's one preset manager window, opened from the devices window's menu: made on first
// use (with its saved geometry), then shown, raised and activated on every call; closing it only
// hides it, saving its geometry. GUI thread only.

namespace platform {
class NotificationCenter;
}

namespace app {

class DeviceManager;
class PresetManagerWindowController;
class PresetStore;

class PresetManagerWindow {
 public:
  // Shows the window over the device manager, whose notifications go to `center`.
  static PresetManagerWindowController& show(DeviceManager& manager, platform::NotificationCenter& center);
  // Shows the window (made with `store` the first time; `store` must outlive it).
  static PresetManagerWindowController& show(PresetStore& store);
  // The window once made, else null.
  static PresetManagerWindowController* instance();
  // Destroys the window (on quit, before the device manager stops).
  static void destroy();
};

}  // namespace app
