#pragma once
// The inspector pane for hardware personal-mix controllers: the controller's name and eleven
// on/off options (SettingsPane). With one controller an apply renames it first (a failed rename
// ends the apply without an alert); with several the name is neither shown nor sent.

#include "app/Devices/SettingsPane.h"

namespace app {

class RotaverSettingsViewController : public SettingsPane {
  Q_OBJECT

 public:
  // `clients`: the selected controllers in list order, at least one.
  explicit RotaverSettingsViewController(std::vector<ClientPtr> clients,
                                         std::uint64_t timeout = SettingsApply::kTimeout, QWidget* parent = nullptr);

 protected:
  std::optional<std::string> unitName() const override;
};

}  // namespace app
