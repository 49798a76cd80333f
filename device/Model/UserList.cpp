#include "device/Model/UserList.h"

namespace device {

UserList::UserList(DeepCopyTag, const UserList& source)
    : users(deepCopy(source.users)), remoteSettings(deepCopy(source.remoteSettings)) {}

std::shared_ptr<UserList> UserList::fromXml(const ZRXMLElementPtr& xml) {
  auto list = std::make_shared<UserList>();
  list->decode(xml);
  return list;
}

void UserList::decode(const ZRXMLElementPtr& xml) {
  const ZRXMLElement::Children elements = children(xml->children, "User");
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i < users.size()) {
      users[i]->decode(elements[i]);
    } else {
      users.push_back(User::fromXml(elements[i]));
    }
  }
  if (const ZRXMLElementPtr remote = xml->firstChild("RemoteSettings"))
    remoteSettings->decode(remote);
}

void UserList::encode(const ZRXMLElementPtr& xml) {
  User::encodeList(users, xml);
  const ZRXMLElementPtr remote = xml->firstChild("RemoteSettings");
  if (!remote) throw ZRXMLDecodingError::childNotFound(xml->elementName, "RemoteSettings");
  remoteSettings->encode(remote);
}

}  // namespace device
