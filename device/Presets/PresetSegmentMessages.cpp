#include "device/Presets/PresetSegmentMessages.h"

#include <algorithm>

#include "gzip/Gzip.h"

namespace device {

std::string presetSegmentFileName(const PresetName& name) {
  return name.name + (name.type == PresetType::userShow ? ".vup" : ".VELTOshow");
}

std::vector<osc::OSCMessage> presetSegmentMessages(std::span<const std::uint8_t> bytes, const PresetName& name,
                                                   bool flag, const std::string& clientUid) {
  std::vector<std::uint8_t> compressed;
  if (name.type == PresetType::preset) {
    compressed = gzip::gzipped(bytes, gzip::CompressionLevel::defaultCompression(), gzip::maxWindowBits);
    bytes = compressed;
  }
  std::vector<osc::OSCMessage> messages;
  if (bytes.empty()) return messages;
  const std::string fileName = presetSegmentFileName(name);
  const std::size_t count = (bytes.size() - 1) / presetSegmentSize + 1;
  const osc::OSCAddress address = *osc::OSCAddress::make(presetSegAddress);
  messages.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto slice = bytes.subspan(i * presetSegmentSize,
                                     std::min(presetSegmentSize, bytes.size() - i * presetSegmentSize));
    messages.emplace_back(address, std::vector<osc::OSCValue>{
                                       osc::OSCValue::string(fileName),
                                       osc::OSCValue::blob({slice.begin(), slice.end()}),
                                       osc::OSCValue::int32(static_cast<std::int32_t>(i)),
                                       osc::OSCValue::int32(static_cast<std::int32_t>(count)),
                                       osc::OSCValue::string(""),
                                       osc::OSCValue::boolean(flag),
                                       osc::OSCValue::string(clientUid),
                                   });
  }
  return messages;
}

}  // namespace device
