#include "simulator/DeviceConfig.h"

namespace testsupport {

std::string SimPreset::baseName() const { return backupDate ? name + "_[bkup_" + *backupDate + "]" : name; }

std::string SimPreset::fileName() const { return baseName() + (userShow ? ".vup" : ".VELTOshow"); }

std::string SimPreset::listText() const {
  std::string text = baseName() + (userShow ? " (USER SHOW)" : " (PRESET)");
  if (stamp) text += " *[" + *stamp + "]";
  return text;
}

std::vector<std::pair<std::string, std::string>> DeviceConfig::defaultAppSettings() {
  return {{"ShortUUID", "1"},
          {"UUID", "5B1E0C3A-8F0D-4C55-9E55-1D2C3B4A5F60"},
          {"MasterMidGainDB", "-20.0"},
          {"MasterPeakGainDB", "0.0"},
          {"ChPeakGainDB", "10.0"},
          {"ChMidGainDB", "-20.0"},
          {"ChannelGainStepdB", "0.5"},
          {"GroupGainStepdB", "0.5"},
          {"PW", ""},
          {"PelionType", "VELTO:zelvarine"},
          {"TechnicianMode", "40"},
          {"LockToMix", "0"},
          {"AllowRemoteAdmin", "1"},
          {"MonoStereo3DAvailable", "1"},
          {"DemoModeAvailable", "1"},
          {"ExclusiveSolo", "0"},
          {"RelativeGroupMixing", "1"},
          {"RotvMuteSoloAvailable", "1"},
          {"RotvShowDecibels", "1"},
          {"RotvChannelConfigAvailable", "1"},
          {"RotvAmbAuxCtrl", "1"},
          {"RotvSaveLoad", "1"},
          {"RotvGroupLock", "0"},
          {"RotvLocalConfigMenuAvailable", "1"},
          {"RotvGroupAvailable", "1"},
          {"RotvRelativeGroups", "1"},
          {"RotvAutoUnmute", "1"},
          {"RotvDisplayDim", "0"},
          {"LastLocalPreset", ".VELTOshow"},
          {"AppName", ""}};
}

namespace {

DeviceConfig numbered(int n, std::string address, device::DeviceType type, const std::string& kind) {
  DeviceConfig config;
  config.type = type;
  const std::string number = std::to_string(n);
  config.serialNumber = "SIM-" + kind + "-" + number;
  config.name = "Sim " + kind + " " + number;
  // A companion app reports its own name in its settings as well, as a real one does.
  for (auto& [key, text] : config.appSettings) {
    if (key == "AppName") text = config.name;
  }
  config.uid = "SIM" + kind + "UID" + std::string(number.size() < 4 ? 4 - number.size() : 0, '0') + number;
  config.address = std::move(address);
  return config;
}

}  // namespace

DeviceConfig DeviceConfig::processor(int n, std::string address, std::size_t mixes) {
  return numbered(n, std::move(address), device::DeviceType::pelion(mixes), "PROC");
}

DeviceConfig DeviceConfig::controller(int n, std::string address) {
  return numbered(n, std::move(address), device::DeviceType::rotaver(), "CTRL");
}

DeviceConfig DeviceConfig::app(int n, std::string address) {
  return numbered(n, std::move(address), device::DeviceType::app(), "APP");
}

}  // namespace testsupport
