#pragma once
// What the two settings panes show and write, without widgets: the on/off options of each pane
// (field shown, container setter, reset state), the mixed state of a selection, the gain-step
// menu titles and the reading of a menu title back into a value. Plain functions of app
// settings records; any thread.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Devices/ClientKind.h"
#include "device/Model/AppSettings.h"

namespace app {

// The state of a check box: a common value, or mixed when the selected devices disagree.
enum class CheckState { off, on, mixed };

// One on/off option of a pane.
struct FlagOption {
  const char* outlet;  // the check box's objectName
  const char* title;
  bool device::AppSettings::*field;
  void (device::AppSettings::Container::*setter)(bool);
  bool reset;  // the state the pane's reset gives the box
};

// The eleven options of the controller pane and the five of the app pane, in display order.
std::span<const FlagOption> controllerFlagOptions();
std::span<const FlagOption> appFlagOptions();

using SettingsList = std::vector<std::shared_ptr<const device::AppSettings>>;

// The app settings of each client's current status, in order.
SettingsList currentSettings(const std::vector<ClientPtr>& clients);

// The first record's field, or mixed when a later record differs. Needs at least one record.
CheckState commonFlag(const SettingsList& settings, bool device::AppSettings::*field);

// Writes a box's state through the option's setter; a mixed box writes nothing.
void writeFlag(device::AppSettings::Container& container, const FlagOption& option, CheckState state);

// The first record's gain step, or none (mixed) when a later one differs as a 32-bit float; a
// value that is not a number differs from everything. Needs at least one record.
std::optional<float> commonGainStep(const SettingsList& settings, float device::AppSettings::*field);

// The fourteen gain steps a menu offers, as "%.1f" titles in ascending order.
std::span<const std::string> gainStepTitles();
// The title of a value ("%.1f", never the locale's form).
std::string gainStepTitle(float value);
// The title of the fifteenth item a menu gets while the selection disagrees.
inline constexpr std::string_view multipleValuesTitle = "Multiple Values";
inline constexpr int multipleValuesIndex = 14;

// The value a menu's selection stands for: none without a selected item, for the "Multiple
// Values" index, or when the whole title is not a 32-bit float.
std::optional<float> gainStepOfSelection(int selectedIndex, std::string_view title);

}  // namespace app
