#pragma once
// The XML documents a simulated device sends: its status document (the app-settings VALUE list,
// the network settings and the unit name) and a small preset document of its users, the content
// a processor stores when it saves its current state. Pure functions; any thread.

#include <string>
#include <string_view>

#include "simulator/DeviceConfig.h"

namespace testsupport {

class StatusDocument {
 public:
  // <StatusUpdate SettingsChanged="0" StatusChanged="0"><Status><Device Name="AppSettings">
  // <Settings><VALUE name=".." val=".."/>...</Settings></Device></Status><Settings>...</Settings>
  // </StatusUpdate>
  static std::string status(const DeviceConfig& device);
  // <Preset Name=".." Version="1"><UserList><User Name=".." Icon=".."/>...</UserList></Preset>
  static std::string users(const DeviceConfig& device, std::string_view presetName);
  // Text escaped for an attribute value in double quotes.
  static std::string escaped(std::string_view text);
};

}  // namespace testsupport
