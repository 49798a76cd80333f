#include "device/Model/Status.h"

namespace device {

namespace {

bool flag(const ZRXMLElement& root, std::string_view name) {
  try {
    return root.boolAttribute(name);
  } catch (const ZRXMLDecodingError&) {
    return false;
  }
}

}  // namespace

Status::Status(DeepCopyTag, const Status& source)
    : settingsChanged(source.settingsChanged),
      statusChanged(source.statusChanged),
      settings(deepCopy(source.settings)),
      appSettings(deepCopy(source.appSettings)) {}

std::size_t Status::decode(const ZRXMLElementPtr& xml) {
  const ZRXMLElement& root = *xml;
  settingsChanged = flag(root, "SettingsChanged");
  statusChanged = flag(root, "StatusChanged");
  std::size_t leftOut = 0;

  if (const ZRXMLElementPtr status = root.firstChild("Status")) {
    const ZRXMLElementPtr device = firstMatch(status->children, [](const ZRXMLElement& child) {
      return child.matches("Device", "Name", "AppSettings");
    });
    if (device) {
      const ZRXMLElementPtr appSettingsElement = device->firstChild("Settings");
      if (!appSettingsElement) throw ZRXMLDecodingError::childNotFound(device->elementName, "Settings");
      leftOut = appSettings->decode(appSettingsElement);
    }
  }
  if (const ZRXMLElementPtr settingsElement = root.firstChild("Settings")) settings->decode(settingsElement);
  return leftOut;
}

}  // namespace device
