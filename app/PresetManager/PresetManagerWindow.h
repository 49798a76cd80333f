#pragma once
// The program's one preset manager window, opened from the devices window's menu: made on first
// use, then shown, raised and activated on every call; closing it only hides it. GUI thread only.

namespace app {

class PresetManagerWindowController;
class PresetStore;

class PresetManagerWindow {
 public:
  // Shows the window (made with `store` the first time; `store` must outlive it).
  static PresetManagerWindowController& show(PresetStore& store);
  // The window once made, else null.
  static PresetManagerWindowController* instance();
  // Destroys the window (on quit, before the store goes).
  static void destroy();
};

}  // namespace app
