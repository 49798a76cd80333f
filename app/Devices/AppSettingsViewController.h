#pragma once
// The inspector pane for companion mixing apps: the app's name, five on/off options
// (SettingsPane) and two gain-step menus ("channelGainStepsPopUpButton",
// "groupGainStepsPopUpButton") of fourteen "%.1f" titles. A menu whose value the selected apps
// disagree on gets a fifteenth, disabled and selected item "Multiple Values", removed again before
// every refresh; a value with no matching title leaves the menu without a selection. Either
// leaves the key out of an apply. With one app the name goes out as "AppName".

#include "app/Devices/SettingsPane.h"

class QComboBox;

namespace app {

class AppSettingsViewController : public SettingsPane {
  Q_OBJECT

 public:
  // `clients`: the selected apps in list order, at least one.
  explicit AppSettingsViewController(std::vector<ClientPtr> clients, std::uint64_t timeout = SettingsApply::kTimeout,
                                     QWidget* parent = nullptr);

 protected:
  void refreshOptions(const SettingsList& settings) override;
  void writeOptions(device::AppSettings::Container& changes) const override;
  void resetOptions() override;

 private:
  QComboBox* channelGainStepsPopUpButton_;
  QComboBox* groupGainStepsPopUpButton_;
};

}  // namespace app
