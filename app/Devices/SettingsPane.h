#pragma once
// The shared part of the two settings panes of the devices window: a name field
// ("nameTextField"), one check box per on/off option (named after the option's outlet), room for
// a subclass's own rows, and "applyButton", "resetButton" and a busy "progressIndicator".
//
// A box shows mixed (Qt::PartiallyChecked) when the selected devices disagree; a click by the
// user takes it out of the mixed state for good, and a mixed box leaves its key out of an apply.
// Apply shows the indicator and disables Reset and Apply until the apply has ended; then the
// options (not the name) show the devices' current settings again. The apply runs as a main task
// that may outlive the pane: once the pane is gone it touches no widget, but still shows its alert.
// GUI thread only.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QWidget>

#include "app/Devices/BusyIndicator.h"
#include "app/Devices/ClientKind.h"
#include "app/Devices/SettingsApply.h"
#include "app/Devices/SettingsOptions.h"

class QCheckBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

namespace app {

class SettingsPane : public QWidget {
  Q_OBJECT

 public:
  const std::vector<ClientPtr>& clients() const { return clients_; }

  // The Apply button.
  void apply();
  // The Reset button: every option to its reset state, then apply.
  void resetToDefault();

  // What an apply would send now, the rename aside.
  device::AppSettings::Container changes() const;

 protected:
  // `timeout`: each device's confirmation wait, in nanoseconds.
  SettingsPane(std::vector<ClientPtr> clients, std::span<const FlagOption> options, const char* objectName,
               std::uint64_t timeout, QWidget* parent);

  // The name of one device (enabled), or the disabled "Multiple Devices Selected"; then the
  // options. Subclasses call it once their controls exist.
  void load(const std::string& singleName);

  // The options from the devices' current settings, from the selection, to their reset state.
  virtual void refreshOptions(const SettingsList& settings);
  virtual void writeOptions(device::AppSettings::Container& changes) const;
  virtual void resetOptions();
  // The name to give the device before the options are sent, if any.
  virtual std::optional<std::string> unitName() const { return std::nullopt; }

  bool singleClient() const { return clients_.size() < 2; }
  QString nameText() const;
  // The form the subclass adds its own rows to, below the check boxes.
  QFormLayout* extraRows() const { return extraRows_; }

 private:
  void finishApply();

  std::vector<ClientPtr> clients_;
  std::span<const FlagOption> options_;
  std::uint64_t timeout_;
  QLineEdit* nameTextField_;
  std::vector<QCheckBox*> boxes_;
  QFormLayout* extraRows_;
  QPushButton* applyButton_;
  QPushButton* resetButton_;
  BusyIndicator* progressIndicator_;
};

}  // namespace app
