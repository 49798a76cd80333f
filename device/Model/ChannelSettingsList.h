#pragma once
// The input channels of one user's mix, with three values that describe how a list is cut into
// segments: the user's total channel count, the segment's channel count and whether the segment
// is the last one. In a document it is the "ChannelSettingsList" child of a "User" element, with
// one "ChannelSettings" child per channel. Reading a segment updates the channels it carries and
// keeps all others, so reading a user's segments one after another collects all of its channels.
// Channels are matched to elements by input channel number; the numbers need not be unique.
//
// A reference type held through std::shared_ptr by its User. No locking: used under the
// serialisation of whoever owns the user.

#include <cstdint>
#include <memory>
#include <vector>

#include "device/Model/ChannelSettings.h"
#include "device/Model/DeepCopyable.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class ChannelSettingsList {
 public:
  std::vector<std::shared_ptr<ChannelSettings>> channelSettings;  // document order; no null entries
  std::uint64_t totalChannels = 128;
  std::uint64_t segmentChannels = 128;
  bool lastSeg = true;

  ChannelSettingsList() = default;
  // A copy of every channel, in order, and the three segment values.
  ChannelSettingsList(DeepCopyTag, const ChannelSettingsList& source);

  // A new list read from a "ChannelSettingsList" element with decode.
  static std::shared_ptr<ChannelSettingsList> fromXml(const ZRXMLElementPtr& xml);

  // Merges the "ChannelSettings" children into the channels by "InputChannel" (see ListCoding.h),
  // then reads the required "TotalChannels", "SegmentChannels" and "LastSeg". Throws
  // ZRXMLDecodingError; what was read before the failure keeps its changes. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Given a "User" element, writes the channels into its first "ChannelSettingsList" child with
  // updateChannelSettings; without one, throws childNotFound (the element's name,
  // "ChannelSettingsList"). The three segment attributes are never written.
  void encode(const ZRXMLElementPtr& userXml) const;
  // Rewrites the "ChannelSettings" children of a list element from the channels, reusing each old
  // element with the channel's "InputChannel" at most once (see ListCoding.h).
  void updateChannelSettings(const ZRXMLElementPtr& xml) const;
};

template <>
inline constexpr bool enableVeltoXmlCodable<ChannelSettingsList> = true;

}  // namespace device
