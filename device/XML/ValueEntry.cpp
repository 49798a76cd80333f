#include "device/XML/ValueEntry.h"

namespace device {

ZRXMLElementPtr valueEntry(const ZRXMLElement& settings, std::string_view key) {
  return firstMatch(settings.children,
                    [key](const ZRXMLElement& entry) { return entry.matches("VALUE", "name", key); });
}

}  // namespace device
