#include "simulator/StatusDocument.h"

namespace testsupport {

namespace {

std::string value(std::string_view name, std::string_view text) {
  return "<VALUE name=\"" + StatusDocument::escaped(name) + "\" val=\"" + StatusDocument::escaped(text) + "\"/>";
}

}  // namespace

std::string StatusDocument::escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string StatusDocument::status(const DeviceConfig& device) {
  std::string xml = "<StatusUpdate SettingsChanged=\"0\" StatusChanged=\"0\"><Status><Device Name=\"AppSettings\"><Settings>";
  for (const auto& [key, text] : device.appSettings) xml += value(key, text);
  xml += "</Settings></Device></Status><Settings>";
  xml += value("NumberOfUsers", std::to_string(device.users.size()));
  xml += value("FixedIP", device.fixedIP);
  xml += value("FixedSubnet", device.fixedSubnet);
  xml += value("FixedGateway", device.fixedGateway);
  xml += value("UnitName", device.name);
  xml += "</Settings></StatusUpdate>";
  return xml;
}

std::string StatusDocument::users(const DeviceConfig& device, std::string_view presetName) {
  std::string xml = "<Preset Name=\"" + escaped(presetName) + "\" Version=\"1\"><UserList>";
  for (const auto& user : device.users) {
    xml += "<User Name=\"" + escaped(user.name) + "\" Icon=\"" + escaped(user.icon) + "\"/>";
  }
  xml += "</UserList></Preset>";
  return xml;
}

}  // namespace testsupport
