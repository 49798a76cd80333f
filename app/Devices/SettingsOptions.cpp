#include "app/Devices/SettingsOptions.h"

#include <array>

#include "device/Clients/VeltoClient.h"
#include "platform/NumberText.h"

namespace app {

namespace {

using device::AppSettings;
using Container = AppSettings::Container;

const std::array<FlagOption, 11> controllerOptions{{
    {"autoUnmuteButton", "Auto Unmute", &AppSettings::autoUnmute, &Container::setAutoUnmute, true},
    {"relativeGroupMixingButton", "Relative Group Mixing", &AppSettings::relativeGroups,
     &Container::setRelativeGroups, true},
    {"muteSoloControlButton", "Mute/Solo Control", &AppSettings::muteSoloAvailable, &Container::setMuteSoloAvailable,
     true},
    {"exclusiveSoloButton", "Exclusive Solo", &AppSettings::exclusiveSolo, &Container::setExclusiveSolo, true},
    {"showDecibelsButton", "Show Decibels", &AppSettings::showDecibels, &Container::setShowDecibels, true},
    {"groupBankAvailableButton", "Group Bank Available", &AppSettings::groupAvailable, &Container::setGroupAvailable,
     true},
    {"groupBankLockButton", "Group Bank Lock", &AppSettings::groupLock, &Container::setGroupLock, false},
    {"channelConfigButton", "Channel Configuration", &AppSettings::channelConfigAvailable,
     &Container::setChannelConfigAvailable, true},
    {"ambAuxMixControlButton", "Ambient/Aux Mix Control", &AppSettings::ambAuxControl, &Container::setAmbAuxControl,
     true},
    {"configMenuButton", "Configuration Menu", &AppSettings::localConfigMenuAvailable,
     &Container::setLocalConfigMenuAvailable, true},
    {"saveLoadMenuButton", "Save/Load Menu", &AppSettings::saveLoad, &Container::setSaveLoad, true},
}};

// "ExclusiveSolo" resets to off here, to on in the controller pane.
const std::array<FlagOption, 5> appOptions{{
    {"demoModeButton", "Demo Mode", &AppSettings::demoModeAvailable, &Container::setDemoModeAvailable, true},
    {"relativeGroupMixingButton", "Relative Group Mixing", &AppSettings::relativeGroupMixing,
     &Container::setRelativeGroupMixing, true},
    {"exclusiveSoloButton", "Exclusive Solo", &AppSettings::exclusiveSolo, &Container::setExclusiveSolo, false},
    {"panningModeButton", "Mono/Stereo/3D Panning", &AppSettings::panningMode, &Container::setPanningMode, true},
    {"muteSoloControlButton", "Mute/Solo Control", &AppSettings::muteSoloAvailable, &Container::setMuteSoloAvailable,
     true},
}};

const std::array<std::string, 14> titles{"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7",
                                         "0.8", "0.9", "1.0", "1.5", "2.0", "2.5", "3.0"};

}  // namespace

std::span<const FlagOption> controllerFlagOptions() { return controllerOptions; }
std::span<const FlagOption> appFlagOptions() { return appOptions; }

SettingsList currentSettings(const std::vector<ClientPtr>& clients) {
  SettingsList settings;
  settings.reserve(clients.size());
  for (const auto& client : clients) settings.push_back(client->status()->appSettings);
  return settings;
}

CheckState commonFlag(const SettingsList& settings, bool AppSettings::*field) {
  const bool first = (*settings.front()).*field;
  for (std::size_t k = 1; k < settings.size(); ++k)
    if ((*settings[k]).*field != first) return CheckState::mixed;
  return first ? CheckState::on : CheckState::off;
}

void writeFlag(Container& container, const FlagOption& option, CheckState state) {
  if (state != CheckState::mixed) (container.*option.setter)(state == CheckState::on);
}

std::optional<float> commonGainStep(const SettingsList& settings, float AppSettings::*field) {
  const float first = (*settings.front()).*field;
  for (std::size_t k = 1; k < settings.size(); ++k)
    if (!((*settings[k]).*field == first)) return std::nullopt;  // NaN compares unequal
  return first;
}

std::span<const std::string> gainStepTitles() { return titles; }

std::string gainStepTitle(float value) { return platform::formatFixed1(value); }

std::optional<float> gainStepOfSelection(int selectedIndex, std::string_view title) {
  if (selectedIndex < 0 || selectedIndex == multipleValuesIndex) return std::nullopt;
  return platform::parseFloat(title);
}

}  // namespace app
