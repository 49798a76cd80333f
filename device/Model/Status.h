#pragma once
// The last known state of a device as it reports it in its status document: the two change
// flags, the processor settings and the app settings. Each device client owns one Status and
// updates it in place from every status document; readers get deep copies.
//
// A reference type: held through std::shared_ptr. No locking: the owning device client
// serialises access.

#include <memory>

#include "device/Model/AppSettings.h"
#include "device/Model/DeepCopyable.h"
#include "device/Model/Settings.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class Status {
 public:
  bool settingsChanged = false;
  bool statusChanged = false;
  // Owned; may be replaced as a whole but never set to null.
  std::shared_ptr<Settings> settings = std::make_shared<Settings>();
  std::shared_ptr<AppSettings> appSettings = std::make_shared<AppSettings>();

  Status() = default;
  // Both flags, and deep copies of both settings objects.
  Status(DeepCopyTag, const Status& source);
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  // Updates this object from the root element of a status document (the root may have any name):
  //   - the flags from the root's "SettingsChanged" and "StatusChanged" attributes; a missing
  //     or unreadable flag becomes false without an error;
  //   - appSettings from root / "Status" / the first "Device" whose "Name" is "AppSettings" /
  //     "Settings"; a missing "Status" or "Device" skips this, a "Device" without "Settings"
  //     throws childNotFound("Device", "Settings");
  //   - settings from root / "Settings", when present.
  // Both objects are updated in place, never replaced. Any ZRXMLDecodingError stops the update:
  // the flags are set, fields read before keep their new values, a failure in the app settings
  // leaves `settings` untouched. Returns the number of app settings entries left out for their
  // bounds (AppSettings::decode).
  std::size_t decode(const ZRXMLElementPtr& xml);
};

template <>
inline constexpr bool enableVeltoXmlCodable<Status> = true;

}  // namespace device
