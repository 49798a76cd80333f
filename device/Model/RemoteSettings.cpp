#include "device/Model/RemoteSettings.h"

#include <utility>

namespace device {
namespace {

using Map = RemoteSettings::Map;

void mapChannel(Map& map, std::uint64_t local, std::optional<std::uint64_t> remote) {
  const std::uint64_t r = remote.value_or(ChannelMap::notMapped);
  if (r != ChannelMap::notMapped) {
    for (const auto& entry : map) {
      if (entry->remote == r) entry->remote = ChannelMap::notMapped;
    }
  }
  for (const auto& entry : map) {
    if (entry->local == local) {
      entry->remote = r;
      return;
    }
  }
  map.push_back(std::make_shared<ChannelMap>(local, r));
}

std::optional<std::uint64_t> remoteFor(const Map& map, std::uint64_t local) {
  for (const auto& entry : map) {
    if (entry->local == local) {
      if (entry->remote == ChannelMap::notMapped) return std::nullopt;
      return entry->remote;
    }
  }
  return std::nullopt;
}

std::optional<std::uint64_t> localFor(const Map& map, std::uint64_t remote) {
  for (const auto& entry : map) {
    if (entry->remote == remote) return entry->local;
  }
  return std::nullopt;
}

// The "InputMap" and "OutputMap" children of a "RemoteSettings" element.
std::pair<ZRXMLElementPtr, ZRXMLElementPtr> mapElements(const ZRXMLElement& xml) {
  ZRXMLElementPtr input = xml.firstChild("InputMap");
  if (!input) throw ZRXMLDecodingError::childNotFound("RemoteSettings", "InputMap");
  ZRXMLElementPtr output = xml.firstChild("OutputMap");
  if (!output) throw ZRXMLDecodingError::childNotFound("RemoteSettings", "OutputMap");
  return {std::move(input), std::move(output)};
}

// A non-empty map always carries an entry for local channel 0, unmapped when it has no remote.
void ensureChannelZero(Map& map) {
  if (!map.empty() && !remoteFor(map, 0)) mapChannel(map, 0, std::nullopt);
}

}  // namespace

RemoteSettings::RemoteSettings(DeepCopyTag, const RemoteSettings& source)
    : inputMap(deepCopy(source.inputMap)), outputMap(deepCopy(source.outputMap)) {}

std::shared_ptr<RemoteSettings> RemoteSettings::fromXml(const ZRXMLElementPtr& xml) {
  auto settings = std::make_shared<RemoteSettings>();
  settings->decode(xml);
  return settings;
}

void RemoteSettings::mapInput(std::uint64_t local, std::optional<std::uint64_t> remote) {
  mapChannel(inputMap, local, remote);
}
void RemoteSettings::mapOutput(std::uint64_t local, std::optional<std::uint64_t> remote) {
  mapChannel(outputMap, local, remote);
}
std::optional<std::uint64_t> RemoteSettings::inputRemote(std::uint64_t forLocal) const {
  return remoteFor(inputMap, forLocal);
}
std::optional<std::uint64_t> RemoteSettings::outputRemote(std::uint64_t forLocal) const {
  return remoteFor(outputMap, forLocal);
}
std::optional<std::uint64_t> RemoteSettings::inputLocal(std::uint64_t forRemote) const {
  return localFor(inputMap, forRemote);
}
std::optional<std::uint64_t> RemoteSettings::outputLocal(std::uint64_t forRemote) const {
  return localFor(outputMap, forRemote);
}

void RemoteSettings::decode(const ZRXMLElementPtr& xml) {
  const auto [input, output] = mapElements(*xml);
  ChannelMap::decodeList(inputMap, input);
  ChannelMap::decodeList(outputMap, output);
}

void RemoteSettings::encode(const ZRXMLElementPtr& xml) {
  const auto [input, output] = mapElements(*xml);
  ensureChannelZero(inputMap);
  ensureChannelZero(outputMap);
  ChannelMap::encodeList(inputMap, input);
  ChannelMap::encodeList(outputMap, output);
}

}  // namespace device
