#pragma once
// The device-wide settings a processor reports in its status document: SR mode, input and user
// counts, the equaliser switch, the fixed network configuration, the log level and the
// lock-to-mix mode. The system only reads them; changes go to the device as commands.
//
// A reference type: held through std::shared_ptr by the Status that owns it and by its readers.
// No locking: the device client that owns the Status serialises access; others get deep copies.

#include <cstdint>

#include "device/Model/DeepCopyable.h"
#include "device/Model/IPv4Address.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class Settings {
 public:
  // Integer fields hold the device's numbers as sent, without range limits.
  std::int64_t srMode = 1;
  std::int64_t numberOfInputs = 0;
  std::int64_t numberOfUsers = 0;
  bool eqEnabled = false;
  IPv4Address fixedIP = IPv4Address::zero();
  IPv4Address fixedSubnet = defaultSubnet();
  IPv4Address fixedGateway = IPv4Address::zero();
  std::int64_t logLevel = 2;
  bool autoUpdateRotavers = false;  // never read from a document
  std::int64_t autoLockDevicesToMix = 2;

  Settings() = default;
  // Every field, autoUpdateRotavers included.
  Settings(DeepCopyTag, const Settings& source) : Settings(source) {}
  Settings& operator=(const Settings&) = delete;

  // Reads the "VALUE" entries of `xml` (the status document's "Settings" element) in field
  // order. A key without an entry keeps its field. An IPv4 text that is not an address keeps its
  // field without an error. A missing "val" or a number or Boolean text that does not convert
  // throws ZRXMLDecodingError; the fields read before it keep their new values.
  void decode(const ZRXMLElementPtr& xml);

 private:
  Settings(const Settings&) = default;
  static IPv4Address defaultSubnet();
};

template <>
inline constexpr bool enableVeltoXmlCodable<Settings> = true;

}  // namespace device
