#pragma once
// One pair of a preset's input or output channel map: a local (device) channel number and the
// remote channel number it is paired with, 999 meaning not mapped. In a document it is one
// "Channel" element of an "InputMap" or "OutputMap", with the attributes "Local" and "Remote".
//
// A reference type held through std::shared_ptr by its RemoteSettings. No locking: used under the
// serialisation of whoever owns the remote settings.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/Model/DeepCopyable.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class ChannelMap {
 public:
  static constexpr std::uint64_t notMapped = 999;

  std::uint64_t local;
  std::uint64_t remote;

  ChannelMap(std::uint64_t local, std::uint64_t remote);
  ChannelMap(DeepCopyTag, const ChannelMap& source);

  // An entry read from a "Channel" element: "Local", then "Remote", both required. Throws
  // ZRXMLDecodingError; no entry results then.
  static std::shared_ptr<ChannelMap> fromXml(const ZRXMLElementPtr& xml);
  // Reads "Local", then "Remote", storing each. Throws ZRXMLDecodingError. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Sets "Local" and "Remote" in decimal; the element's other attributes and children stay.
  void encode(const ZRXMLElementPtr& xml) const;

  // "3 -> 999".
  std::string description() const;

  // Merges the "Channel" children of a map element into `map` by "Local" (see ListCoding.h).
  static void decodeList(std::vector<std::shared_ptr<ChannelMap>>& map, const ZRXMLElementPtr& xml);
  // Rewrites the "Channel" children of a map element from `map`, reusing each old element with the
  // entry's "Local" at most once (see ListCoding.h).
  static void encodeList(const std::vector<std::shared_ptr<ChannelMap>>& map,
                         const ZRXMLElementPtr& xml);
};

template <>
inline constexpr bool enableVeltoXmlCodable<ChannelMap> = true;
template <>
inline constexpr bool enableVeltoXmlArrayCodable<ChannelMap> = true;

}  // namespace device
