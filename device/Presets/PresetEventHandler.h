#pragma once
// Observer of a device's preset confirmations, installed on a client through
// PresetHandler::setPresetEventHandler. Called on the client's own queue; must not throw or block.

namespace device {

class PresetHandler;

class PresetEventHandler {
 public:
  virtual ~PresetEventHandler() = default;
  // The device confirmed that it saved a preset.
  virtual void presetSaved(PresetHandler& client) = 0;
  // The device confirmed that it received a preset it was sent.
  virtual void presetReceived(PresetHandler& client) = 0;
};

}  // namespace device
