#pragma once
// The users of a preset, one per mix, and the preset's remote channel maps. In a document it is the
// "UserList" element, with one "User" child per user and a "RemoteSettings" child. Users are
// matched to elements by position, never by name.
//
// A reference type held through std::shared_ptr by its preset document. No locking: used under
// the serialisation of whoever owns the preset.

#include <memory>
#include <vector>

#include "device/Model/DeepCopyable.h"
#include "device/Model/RemoteSettings.h"
#include "device/Model/User.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class UserList {
 public:
  std::vector<std::shared_ptr<User>> users;  // document order; no null entries
  std::shared_ptr<RemoteSettings> remoteSettings = std::make_shared<RemoteSettings>();  // not null

  UserList() = default;
  // Users copied one by one, in order; new remote settings with copied maps.
  UserList(DeepCopyTag, const UserList& source);

  // A new list read from a "UserList" element with decode.
  static std::shared_ptr<UserList> fromXml(const ZRXMLElementPtr& xml);

  // The reading of a preset document: the "User" child at position i is read into the user at
  // position i, or becomes a new user appended at the end; users beyond the elements stay. Then
  // the first "RemoteSettings" child, when there is one, is read into the remote settings. Throws
  // ZRXMLDecodingError; users read before the failure keep their changes. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Writes the users with User::encodeList (all or nothing), then the remote settings into the
  // first "RemoteSettings" child. A missing "RemoteSettings" throws childNotFound (the element's
  // name, "RemoteSettings") after the users were written.
  // Not const: the remote settings may gain entries for local channel 0.
  void encode(const ZRXMLElementPtr& xml);
};

template <>
inline constexpr bool enableVeltoXmlCodable<UserList> = true;

}  // namespace device
