#pragma once
// One mix of a preset: its name and icon, output channels and levels, render mode, stereo and
// binaural types, tracking settings, channel groups and the settings of every input channel in it.
// In a document it is a "User" element of the "UserList", with a "Groups" child of "Group"
// elements and a "ChannelSettingsList" child.
//
// A reference type held through std::shared_ptr by its UserList. No locking: used under the
// serialisation of whoever owns the user list.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/Model/BinauralType.h"
#include "device/Model/ChannelSettingsList.h"
#include "device/Model/DeepCopyable.h"
#include "device/Model/Group.h"
#include "device/Model/Hide.h"
#include "device/Model/RenderMode.h"
#include "device/Model/StereoType.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class User {
 public:
  std::string name;
  std::string icon = "inst_x1";
  Hide mixHide = Hide::visible;
  bool phaseInvert = false;
  std::vector<std::shared_ptr<Group>> groups;  // document order; no null entries
  std::shared_ptr<ChannelSettingsList> channelSettingsList =
      std::make_shared<ChannelSettingsList>();  // not null
  std::uint64_t outChannelLeft;
  std::uint64_t outChannelRight;
  double masterPeakGaindB = 0;
  double channelPeakGaindB = 10;
  double outputLeveldB = 0;
  RenderMode mode = RenderMode::threeD;
  bool useTracking = false;
  std::string tracker;
  StereoType sType = StereoType::brevan1;    // "STEREOB1"
  BinauralType bType = BinauralType::velto;  // "BINAURAL"
  std::uint64_t hardwareInputs;

  User(std::string name, std::uint64_t outChannelLeft, std::uint64_t outChannelRight,
       std::uint64_t hardwareInputs);
  // Every field of the source; groups copied one by one, the channel list copied deeply.
  User(DeepCopyTag, const User& source);

  // A new user (name empty, output channels 0, 128 hardware inputs) read with decode. Throws
  // ZRXMLDecodingError; no user results then.
  static std::shared_ptr<User> fromXml(const ZRXMLElementPtr& xml);

  // Reads the attributes, each optional (a missing or unreadable one leaves its field); then
  // merges the "Group" children of the first "Groups" child into `groups` by "ID", and reads the
  // first "ChannelSettingsList" child into the channel list (ListCoding.h). A missing child leaves
  // its part unchanged. Throws ZRXMLDecodingError from the groups and channels; what was read
  // before keeps its changes. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Sets the attributes, then rewrites the groups into the first "Groups" child and the channels
  // into the first "ChannelSettingsList" child. A missing child throws childNotFound ("User",
  // "Groups") or (the element's name, "ChannelSettingsList") after the attributes were set.
  void encode(const ZRXMLElementPtr& xml) const;

  // Writes `users` into a "UserList" element by position: the user at position i goes into the
  // i-th old "User" child, or a new empty one; old elements beyond the users are dropped, and the
  // written elements follow the list element's other children. All or nothing: the users are
  // written into copies of the old elements, which replace them only when every user was written;
  // when one fails, its error is thrown and the element is left as it was.
  static void encodeList(const std::vector<std::shared_ptr<User>>& users,
                         const ZRXMLElementPtr& xml);

  // The user's text form: its name.
  const std::string& description() const { return name; }

  // Equal when name, icon, mix hide and phase inversion are equal; the other fields play no part.
  friend bool operator==(const User& x, const User& y) {
    return x.name == y.name && x.icon == y.icon && x.mixHide == y.mixHide &&
           x.phaseInvert == y.phaseInvert;
  }
};

template <>
inline constexpr bool enableVeltoXmlCodable<User> = true;
template <>
inline constexpr bool enableVeltoXmlArrayCodable<User> = true;

}  // namespace device
