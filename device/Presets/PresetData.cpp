#include "device/Presets/PresetData.h"

#include "device/Presets/Preset.h"
#include "device/XML/ZRXMLParser.h"

namespace device {

PresetData PresetData::fromCompressed(const std::vector<std::uint8_t>& compressedData, std::size_t limit) {
  return PresetData(gzip::gunzipped(compressedData, 0, limit));
}

std::vector<std::uint8_t> PresetData::compressed() const {
  return gzip::gzipped(data, gzip::CompressionLevel::defaultCompression(), gzip::maxWindowBits);
}

std::shared_ptr<Preset> PresetData::preset() const {
  return Preset::fromXml(ZRXMLParser::parseDocument(data));
}

std::string PresetData::description() const {
  return "PresetData " + std::to_string(data.size()) + " bytes";
}

}  // namespace device
