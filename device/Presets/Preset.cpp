#include "device/Presets/Preset.h"

#include <algorithm>

#include "device/Model/SoftwareVersion.h"
#include "device/XML/ZRXMLEncodingError.h"
#include "platform/Utf8.h"

namespace device {

Preset::Preset() : name(std::string_view()), version(SoftwareVersion(5, 7, 13).description()) {}

Preset::Preset(PresetName name, std::string version, std::shared_ptr<UserList> userList) : Preset() {
  this->name = std::move(name);
  this->version = std::move(version);
  this->userList = std::move(userList);
}

Preset::Preset(DeepCopyTag, const Preset& source) : Preset() {
  name = source.name;
  version = source.version;
  userList = deepCopy(source.userList);
  xmlElement = source.xmlElement->deepCopy();
}

std::shared_ptr<Preset> Preset::fromXml(const ZRXMLElementPtr& root) {
  auto preset = std::make_shared<Preset>();
  preset->xmlElement = root;
  preset->name = PresetName(root->stringAttribute("Name"));
  preset->version = root->stringAttribute("Version");
  preset->mergeUserList(root);
  return preset;
}

std::shared_ptr<Preset> Preset::makeDefault(std::uint64_t inputs, std::uint64_t mixes) {
  auto preset = std::make_shared<Preset>();
  std::vector<std::shared_ptr<Group>> groups;
  for (int k = 1; k <= 16; ++k) {
    groups.push_back(std::make_shared<Group>(k - 1, "GROUP " + std::to_string(k),
                                             "inst_x" + std::to_string(k), Color::paletteColor(k - 1)));
  }
  for (std::uint64_t m = 1; m <= mixes; ++m) {
    auto user = std::make_shared<User>("Mix " + std::to_string(m), 2 * m - 1, 2 * m, inputs);
    for (std::uint64_t c = 1; c <= inputs; ++c) {
      user->channelSettingsList->channelSettings.push_back(
          std::make_shared<ChannelSettings>(c, c - 1, "CH " + std::to_string(c), 15));
    }
    user->groups = groups;
    preset->userList->users.push_back(std::move(user));
  }
  return preset;
}

void Preset::update(const ZRXMLElementPtr& root) {
  xmlElement = root;
  if (const auto found = root->attributes.find("Name"); found != root->attributes.end()) {
    name = PresetName(found->second);
  }
  if (const auto found = root->attributes.find("Version"); found != root->attributes.end()) {
    version = found->second;
  }
  mergeUserList(root);
}

void Preset::mergeUserList(const ZRXMLElementPtr& root) {
  if (const ZRXMLElementPtr list = root->firstChild("UserList")) userList->decode(list);
}

void Preset::normalizeUserList() {
  for (const auto& user : userList->users) {
    auto sorted = user->groups;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& x, const auto& y) { return x->id < y->id; });
    for (const auto& channel : user->channelSettingsList->channelSettings) {
      if (channel->groupID < sorted.size()) channel->color = sorted[channel->groupID]->colour;
    }
  }
}

std::vector<std::uint8_t> Preset::xmlData() {
  for (const auto& user : userList->users) {
    auto& channels = user->channelSettingsList->channelSettings;
    std::vector<std::shared_ptr<ChannelSettings>> ordered;
    ordered.reserve(channels.size());
    for (const auto& group : user->groups) {
      if (group->id < 0) continue;
      for (const auto& channel : channels) {
        if (channel->groupID == static_cast<std::uint64_t>(group->id)) ordered.push_back(channel);
      }
    }
    for (std::size_t i = 0; i < ordered.size(); ++i) ordered[i]->index = i;
    channels = std::move(ordered);
  }
  xmlElement->attributes.insert_or_assign("Name", name.name);
  xmlElement->attributes.insert_or_assign("Version", version);
  const ZRXMLElementPtr list = xmlElement->firstChild("UserList");
  if (!list) throw ZRXMLDecodingError::childNotFound(xmlElement->elementName, "UserList");
  userList->encode(list);

  std::string text = xmlDeclaration;
  xmlElement->appendXmlString(text, 0);
  if (!platform::isValidUtf8(text)) throw ZRXMLEncodingError::encodingFailed();
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace device
