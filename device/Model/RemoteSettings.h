#pragma once
// The channel maps of a preset: its input map and its output map, each a list of local-to-remote
// channel pairs (ChannelMap). Edited through mapInput and mapOutput, a map holds each local channel
// once and gives each remote channel to at most one local channel; 999 means not mapped. In a
// document it is the "RemoteSettings" child of the "UserList" element, with an "InputMap" and an
// "OutputMap" child of "Channel" elements.
//
// A reference type held through std::shared_ptr by its UserList. No locking: used under the
// serialisation of whoever owns the user list.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/Model/ChannelMap.h"
#include "device/Model/DeepCopyable.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class RemoteSettings {
 public:
  using Map = std::vector<std::shared_ptr<ChannelMap>>;  // document order; no null entries

  Map inputMap;
  Map outputMap;

  RemoteSettings() = default;
  // Both maps copied entry by entry into new ChannelMap objects.
  RemoteSettings(DeepCopyTag, const RemoteSettings& source);

  // New remote settings read from a "RemoteSettings" element with decode.
  static std::shared_ptr<RemoteSettings> fromXml(const ZRXMLElementPtr& xml);

  // Pairs `local` with `remote` (no value stands for 999). A remote other than 999 is first taken
  // away from every entry that has it (those get 999); then the first entry for `local` gets it,
  // or a new entry is appended.
  void mapInput(std::uint64_t local, std::optional<std::uint64_t> remote);
  void mapOutput(std::uint64_t local, std::optional<std::uint64_t> remote);
  // The remote of the first entry for `local`; no value when there is none or it is 999.
  std::optional<std::uint64_t> inputRemote(std::uint64_t forLocal) const;
  std::optional<std::uint64_t> outputRemote(std::uint64_t forLocal) const;
  // The local of the first entry whose remote is `forRemote` (compared unchanged, so 999 gives
  // the first unmapped local channel); no value when there is none.
  std::optional<std::uint64_t> inputLocal(std::uint64_t forRemote) const;
  std::optional<std::uint64_t> outputLocal(std::uint64_t forRemote) const;

  // Finds the first "InputMap" and "OutputMap" children (a missing one throws childNotFound with
  // "RemoteSettings" before anything changes), then merges them into the maps by "Local" (see
  // ListCoding.h). Throws ZRXMLDecodingError. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Finds both map children as decode does, gives each non-empty map an entry for local channel 0
  // (unmapped when it has no remote: this changes the object itself), then rewrites the maps'
  // "Channel" children. Throws ZRXMLDecodingError.
  void encode(const ZRXMLElementPtr& xml);
};

template <>
inline constexpr bool enableVeltoXmlCodable<RemoteSettings> = true;

}  // namespace device
